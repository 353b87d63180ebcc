// Read-only recordsets on the embedded engine read straight from it, with the
// statements that carry values kept prepared per connection: the answers must
// be those Qt's driver gives, and a kept statement must never hold on to a
// lock, a stale column list or another reader's rows.
#include "base/error.h"
#include "dbtesthelpers.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <sqlite3.h>

using namespace corvane;
using corvane::test::EmbeddedDb;

namespace {

const QString kSchema = QStringLiteral(
    "CREATE TABLE Parametri (IDParametro int PRIMARY KEY, Valore varchar(50), Peso real, "
    "  Dati blob);"
    "INSERT INTO Parametri VALUES (1, 'Versione', 2.5, x'00ff41');"
    "INSERT INTO Parametri VALUES (2, 'Città € ☃', NULL, NULL);"
    "INSERT INTO Parametri VALUES (3, 'Dell''Anno ', -7, '');"
    "CREATE TABLE Righe (Tabella varchar(50), Riga int);"
    "INSERT INTO Righe VALUES ('A', 1), ('A', 2), ('A', 3), ('B', 10), ('B', 20)");

struct Read
{
    QStringList names;
    QList<QVariantList> rows;
};

// Names and rows as Qt's driver gives them.
Read readThroughQt(db::Connection& connection, const QString& sql)
{
    Read read;
    const std::unique_ptr<QSqlQuery> query = connection.run(sql);
    const QSqlRecord record = query->record();
    for (int i = 0; i < record.count(); ++i)
        read.names << record.fieldName(i);
    while (query->next())
        read.rows << connection.values(*query, record);
    return read;
}

Read readThroughRecordset(db::Connection& connection, const QString& sql, int cursorType,
                          const QVariantList& parameters = {})
{
    Read read;
    db::Recordset rs;
    rs.Open(sql, connection, cursorType, db::adLockReadOnly, db::adOptionUnspecified, parameters);
    read.names = rs.fieldNames();
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantList row;
        for (int i = 0; i < read.names.size(); ++i)
            row << rs.field(read.names.at(i));
        read.rows << row;
    }
    return read;
}

QString describe(const QVariant& value)
{
    return QStringLiteral("%1:%2").arg(QLatin1String(value.typeName()), value.toString());
}

void compareReads(const Read& actual, const Read& expected)
{
    QCOMPARE(actual.names, expected.names);
    QCOMPARE(actual.rows.size(), expected.rows.size());
    for (qsizetype r = 0; r < actual.rows.size(); ++r) {
        QCOMPARE(actual.rows[r].size(), expected.rows[r].size());
        for (qsizetype c = 0; c < actual.rows[r].size(); ++c)
            QCOMPARE(describe(actual.rows[r][c]), describe(expected.rows[r][c]));
    }
}

// The statements the engine holds prepared on this handle, and how many
// times the one of the given text has run (-1: none of that text).
std::pair<int, int> preparedStatements(sqlite3* handle, const QString& sql)
{
    int count = 0, runs = -1;
    for (sqlite3_stmt* stmt = sqlite3_next_stmt(handle, nullptr); stmt;
         stmt = sqlite3_next_stmt(handle, stmt)) {
        ++count;
        if (QString::fromUtf8(sqlite3_sql(stmt)) == sql)
            runs = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_RUN, 0);
    }
    return {count, runs};
}

} // namespace

class StatementsTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAsQtDoes_data();
    void readsAsQtDoes();
    void sameFieldTwiceGivesTheLast();
    void boundQuestionsShareOneStatement_data();
    void boundQuestionsShareOneStatement();
    void twoReadersOfOneText();
    void columnsFollowTheSchema();
    void givenBackStatementHoldsNoLock();
    void errorWhileStreamingIsRaisedWhereItHappens();
};

void StatementsTest::readsAsQtDoes_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("every kind of value") << "SELECT * FROM Parametri ORDER BY IDParametro";
    QTest::newRow("expressions") << "SELECT 1, 2.0, 'x', NULL, x'01', 1 + 1 AS due";
    QTest::newRow("quoted alias") << "SELECT Valore AS \"Il \"\"nome\"\"\" FROM Parametri";
    QTest::newRow("qualified column") << "SELECT p.Valore, [p].[Peso] FROM Parametri p";
    QTest::newRow("no rows") << "SELECT Valore FROM Parametri WHERE 0";
    QTest::newRow("catalogue") << "SELECT TABLE_NAME, TABLE_TYPE FROM INFORMATION_SCHEMA.TABLES "
                                  "ORDER BY TABLE_NAME";
    QTest::newRow("columns") << "SELECT COLUMN_NAME, ORDINAL_POSITION, CHARACTER_MAXIMUM_LENGTH "
                                "FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'parametri'";
    QTest::newRow("semicolon and blanks after") << "SELECT Valore FROM Parametri ; \n ";
}

void StatementsTest::readsAsQtDoes()
{
    QFETCH(QString, sql);
    EmbeddedDb db(kSchema);
    const Read expected = readThroughQt(db.conn(), sql);
    QVERIFY(!expected.names.isEmpty());
    for (const int cursor : {db::adOpenStatic, db::adOpenForwardOnly})
        compareReads(readThroughRecordset(db.conn(), sql, cursor), expected);
}

// Two columns of one name: the field is the last, as it has always been.
void StatementsTest::sameFieldTwiceGivesTheLast()
{
    EmbeddedDb db(kSchema);
    for (const int cursor : {db::adOpenStatic, db::adOpenForwardOnly}) {
        db::Recordset rs;
        rs.Open("SELECT 1 AS Riga, 2 AS riga", db.conn(), cursor, db::adLockReadOnly);
        QCOMPARE(rs.field("RIGA").toInt(), 2);
    }
}

void StatementsTest::boundQuestionsShareOneStatement_data()
{
    QTest::addColumn<int>("cursor");
    QTest::newRow("static") << int(db::adOpenStatic);
    QTest::newRow("forward-only") << int(db::adOpenForwardOnly);
}

void StatementsTest::boundQuestionsShareOneStatement()
{
    QFETCH(int, cursor);
    EmbeddedDb db(kSchema);
    const QString sql = QStringLiteral("SELECT Riga FROM Righe WHERE Tabella = ? ORDER BY Riga");
    readThroughRecordset(db.conn(), sql, cursor, {QStringLiteral("A")});
    const int prepared = preparedStatements(db.conn().embeddedHandle(), sql).first;
    const QList<std::pair<QString, int>> asked = {{"B", 2}, {"A", 3}, {"C", 0}, {"b", 0}};
    for (int round = 0; round < 25; ++round) {
        for (const auto& [table, count] : asked) {
            const Read read = readThroughRecordset(db.conn(), sql, cursor, {table});
            QCOMPARE(read.rows.size(), count);
        }
    }
    // One statement answered all 101 questions, and nothing else was left prepared.
    QCOMPARE(preparedStatements(db.conn().embeddedHandle(), sql),
             std::make_pair(prepared, 1 + 25 * int(asked.size())));
    // The name is a value: a quote in it is data, never SQL.
    QCOMPARE(readThroughRecordset(db.conn(), "SELECT IDParametro FROM Parametri WHERE Valore = ?",
                                  cursor, {QStringLiteral("Dell'Anno ")})
                 .rows,
             (QList<QVariantList>{{qlonglong(3)}}));
    QCOMPARE(
        readThroughRecordset(db.conn(), sql, cursor, {QStringLiteral("' OR ''='")}).rows.size(), 0);
}

// A stream still open when the same text is asked again keeps its own rows.
void StatementsTest::twoReadersOfOneText()
{
    EmbeddedDb db(kSchema);
    const QString sql = QStringLiteral("SELECT Riga FROM Righe WHERE Tabella = ? ORDER BY Riga");
    db::Recordset first, second;
    first.Open(sql, db.conn(), db::adOpenForwardOnly, db::adLockReadOnly, -1, {"A"});
    QCOMPARE(first.field("Riga").toInt(), 1);
    second.Open(sql, db.conn(), db::adOpenForwardOnly, db::adLockReadOnly, -1, {"B"});
    QList<int> rows;
    for (; !first.Eof(); first.MoveNext())
        rows << first.field("Riga").toInt();
    for (; !second.Eof(); second.MoveNext())
        rows << second.field("Riga").toInt();
    QCOMPARE(rows, (QList<int>{1, 2, 3, 10, 20}));
}

// A kept statement is prepared again after DDL: its columns are the new ones.
void StatementsTest::columnsFollowTheSchema()
{
    EmbeddedDb db(kSchema);
    const QString sql = QStringLiteral("SELECT * FROM Righe WHERE Tabella = ?");
    QCOMPARE(readThroughRecordset(db.conn(), sql, db::adOpenStatic, {"A"}).names,
             (QStringList{"Tabella", "Riga"}));
    db.conn().Execute("ALTER TABLE Righe ADD Nota varchar(10) DEFAULT 'n'");
    const Read read = readThroughRecordset(db.conn(), sql, db::adOpenStatic, {"B"});
    QCOMPARE(read.names, (QStringList{"Tabella", "Riga", "Nota"}));
    QCOMPARE(read.rows.value(0).value(2).toString(), "n");
}

// Another program can write the file as soon as a read is over: no kept
// statement keeps the file's read lock (a writer would wait 5 s and fail).
void StatementsTest::givenBackStatementHoldsNoLock()
{
    EmbeddedDb db(kSchema);
    const std::unique_ptr<db::Connection> writer = db.open(test::kReferenceDatabase);
    const QString sql = QStringLiteral("SELECT Riga FROM Righe WHERE Tabella = ?");
    for (const int cursor : {db::adOpenStatic, db::adOpenForwardOnly}) {
        db::Recordset rs;
        rs.Open(sql, db.conn(), cursor, db::adLockReadOnly, -1, {"A"});
        while (!rs.Eof())
            rs.MoveNext();
        QElapsedTimer clock;
        clock.start();
        writer->Execute("INSERT INTO Righe VALUES ('C', 1)");
        QVERIFY2(clock.elapsed() < 2000, "the writer waited for a lock");
    }
    QCOMPARE(db.rows("SELECT count(*) FROM Righe WHERE Tabella = 'C'"), QStringList{"2"});
}

void StatementsTest::errorWhileStreamingIsRaisedWhereItHappens()
{
    EmbeddedDb db(kSchema);
    // On the third row abs() meets the smallest integer, which has no positive twin.
    const QString sql = QStringLiteral(
        "SELECT Riga, abs(CASE WHEN Riga = 3 THEN -9223372036854775807 - 1 ELSE Riga END) "
        "FROM Righe WHERE Tabella = ?"); // no ORDER BY: a sort would read every row at once
    db::Recordset rs;
    rs.Open(sql, db.conn(), db::adOpenForwardOnly, db::adLockReadOnly, -1, {"A"});
    QCOMPARE(rs.field("Riga").toInt(), 1);
    rs.MoveNext();
    QCOMPARE(rs.field("Riga").toInt(), 2);
    try {
        rs.MoveNext();
        QFAIL("the failing row raised nothing");
    } catch (const Error& e) {
        QCOMPARE(e.description(), "integer overflow");
    }
    QVERIFY(rs.Eof());
    // The statement went back whole: the same text answers again.
    QCOMPARE(readThroughRecordset(db.conn(), sql, db::adOpenStatic, {"B"}).rows.size(), 2);
}

QTEST_GUILESS_MAIN(StatementsTest)
#include "test_statements.moc"
