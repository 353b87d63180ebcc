// Recordsets as the program uses them: reading static and forward-only
// cursors, storing rows through AddNew/Update, running statements.
#include "base/error.h"
#include "db/providererror.h"
#include "db/rowwriter.h"
#include "dbtesthelpers.h"

#include <QDate>
#include <QSqlDriver>
#include <QtTest>

using namespace corvane;
using corvane::test::EmbeddedDb;
using corvane::test::recordsetRows;

namespace {

const QString kSchema = QStringLiteral(
    "CREATE TABLE Parametri (IDParametro int PRIMARY KEY, Descrizione varchar(50), "
    "  Valore varchar(50), Note varchar(255) DEFAULT 'nessuna');"
    "INSERT INTO Parametri VALUES (1, 'Versione', '2.5', NULL);"
    "INSERT INTO Parametri VALUES (2, 'Anno', '2024', 'n2');"
    "INSERT INTO Parametri VALUES (3, 'Sede', 'Roma', 'n3');"
    "CREATE TABLE InfoAggiornamenti (ID INTEGER PRIMARY KEY, Nome varchar(100), Data datetime, "
    "  Versione varchar(20));"
    "CREATE TABLE Vuota (a int);");

// The error a call raises, or a null error number when it raised none.
template <typename F> std::pair<long, QString> errorOf(F&& call)
{
    try {
        call();
    } catch (const corvane::Error& e) {
        return {e.number(), e.description()};
    }
    return {0, QString()};
}

} // namespace

class RecordsetTest : public QObject
{
    Q_OBJECT

private slots:
    void staticCursor();
    void forwardOnlyCursor();
    void emptyResultIsAtEnd();
    void nullStaysNull();
    void misuseRaisesAdoErrors_data();
    void misuseRaisesAdoErrors();
    void badQueryRaisesProviderText_data();
    void badQueryRaisesProviderText();
    void statementsRunAtOpen();
    void batchOfStatements();
    void addNewStoresOnlyFieldsSet();
    void addNewOnEmptyLookupAsTheLogDoes();
    void updateChangesTheSelectedRow();
    void updateAmongSeveralRowsChangesOnlyTheCurrent();
    void updateOfAVanishedRowFails();
    void unknownFieldIsNotStored();
    void connectionGoneSinceOpen();
    void writesNeedAnUpdatableRecordset_data();
    void writesNeedAnUpdatableRecordset();
    void writeTarget_data();
    void writeTarget();
};

void RecordsetTest::staticCursor()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("Select * FROM Parametri ", db.conn(), db::adOpenStatic, db::adLockReadOnly);
    QCOMPARE(rs.RecordCount(), 3);
    QCOMPARE(rs.fieldNames(), (QStringList{"IDParametro", "Descrizione", "Valore", "Note"}));
    QStringList seen;
    for (; !rs.Eof(); rs.MoveNext())
        seen << rs.field("valore").toString(); // names ignore letter case
    QCOMPARE(seen, (QStringList{"2.5", "2024", "Roma"}));
    rs.MoveFirst();
    QVERIFY(!rs.Eof());
    QCOMPARE(rs.field("IDPARAMETRO").toInt(), 1);
    rs.Close();
    QVERIFY(!rs.isOpen());
}

void RecordsetTest::forwardOnlyCursor()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("Select Descrizione FROM Parametri ORDER BY IDParametro", db.conn(),
            db::adOpenForwardOnly, db::adLockReadOnly);
    QCOMPARE(rs.field("Descrizione").toString(), "Versione");
    rs.MoveNext();
    QCOMPARE(rs.field("Descrizione").toString(), "Anno");
    QCOMPARE(errorOf([&] { rs.MoveFirst(); }).first, db::adoerr::CannotFetchBackward);
    QCOMPARE(errorOf([&] { rs.RecordCount(); }).first, db::adoerr::NotSupported);
    rs.MoveNext();
    rs.MoveNext();
    QVERIFY(rs.Eof());
}

void RecordsetTest::emptyResultIsAtEnd()
{
    EmbeddedDb db(kSchema);
    for (int cursor : {db::adOpenStatic, db::adOpenForwardOnly}) {
        db::Recordset rs;
        rs.Open("Select Valore FROM Parametri where IDParametro = 99", db.conn(), cursor,
                db::adLockReadOnly);
        QVERIFY(rs.Eof());
        QCOMPARE(rs.fieldNames(), QStringList{"Valore"});
        QCOMPARE(errorOf([&] { rs.field("Valore"); }).first, db::adoerr::NoCurrentRecord);
    }
}

void RecordsetTest::nullStaysNull()
{
    EmbeddedDb db(kSchema);
    for (int cursor : {db::adOpenStatic, db::adOpenForwardOnly}) {
        db::Recordset rs;
        rs.Open("Select Note, Valore FROM Parametri where IDParametro = 1", db.conn(), cursor,
                db::adLockReadOnly);
        QVERIFY(rs.field("Note").isNull());
        QVERIFY(!rs.field("Valore").isNull());
    }
}

void RecordsetTest::misuseRaisesAdoErrors_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<long>("number");
    QTest::newRow("unknown field") << 0 << db::adoerr::ItemNotFound;
    QTest::newRow("move past the end") << 1 << db::adoerr::NoCurrentRecord;
    QTest::newRow("read after close") << 2 << db::adoerr::ObjectClosed;
    QTest::newRow("open twice") << 3 << db::adoerr::ObjectOpen;
    QTest::newRow("open on a closed connection") << 4 << db::adoerr::ConnectionUnusable;
}

void RecordsetTest::misuseRaisesAdoErrors()
{
    QFETCH(int, step);
    QFETCH(long, number);
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    const QString sql = "Select Valore FROM Parametri where IDParametro = 1";
    const auto [raised, text] = errorOf([&] {
        if (step == 4) db.conn().Close();
        rs.Open(sql, db.conn(), db::adOpenStatic, db::adLockReadOnly);
        switch (step) {
        case 0:
            rs.field("Valori");
            break;
        case 1:
            rs.MoveNext();
            rs.MoveNext();
            break;
        case 2:
            rs.Close();
            rs.field("Valore");
            break;
        case 3:
            rs.Open(sql, db.conn(), db::adOpenStatic, db::adLockReadOnly);
            break;
        }
    });
    QCOMPARE(raised, number);
    QVERIFY(!text.isEmpty());
}

void RecordsetTest::badQueryRaisesProviderText_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing table") << "Select * FROM Nessuna"
                                   << "no such table: Nessuna";
    QTest::newRow("missing column") << "Select Manca FROM Parametri"
                                    << "no such column: Manca";
    QTest::newRow("syntax") << "Selec 1"
                            << "near \"Selec\": syntax error";
    QTest::newRow("DDL on an existing table") << "CREATE TABLE Vuota (b int)"
                                              << "table Vuota already exists";
}

void RecordsetTest::badQueryRaisesProviderText()
{
    QFETCH(QString, sql);
    QFETCH(QString, text);
    EmbeddedDb db(kSchema);
    for (int lock : {db::adLockReadOnly, db::adLockPessimistic}) {
        db::Recordset rs;
        const auto [number, description] =
            errorOf([&] { rs.Open(sql, db.conn(), db::adOpenStatic, lock); });
        QCOMPARE(number, errnum::ProviderFailure);
        QCOMPARE(description, text);
        QVERIFY(!rs.isOpen());
    }
}

void RecordsetTest::statementsRunAtOpen()
{
    EmbeddedDb db(kSchema);
    db::Recordset update;
    update.Open("Update Parametri SET Valore = '2.6' where IDParametro = 1", db.conn(),
                db::adOpenStatic, db::adLockPessimistic);
    QVERIFY(update.Eof());
    QCOMPARE(db.rows("SELECT Valore FROM Parametri WHERE IDParametro = 1"), QStringList{"2.6"});

    db::Recordset ddl;
    ddl.Open("ALTER TABLE [Vuota] ADD [Importo] [decimal] (18, 4) NOT NULL DEFAULT (0)", db.conn(),
             db::adOpenStatic, db::adLockPessimistic);
    QVERIFY(ddl.Eof());
    QCOMPARE(db.rows("SELECT name FROM pragma_table_info('Vuota')"), (QStringList{"a", "Importo"}));
}

void RecordsetTest::batchOfStatements()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("CREATE TABLE [Note] (Testo varchar(20));\r\n"
            "INSERT INTO [Note] VALUES ('a;b');\r\n"
            "CREATE INDEX ixNote ON [Note] (Testo);\r\n",
            db.conn(), db::adOpenStatic, db::adLockPessimistic);
    QCOMPARE(db.rows("SELECT Testo FROM [Note]"), QStringList{"a;b"});
    QCOMPARE(db.rows("SELECT count(*) FROM sqlite_schema WHERE name = 'ixNote'"), QStringList{"1"});
    db.conn().Execute("INSERT INTO [Note] VALUES ('c'); INSERT INTO [Note] VALUES ('d')");
    QCOMPARE(db.rows("SELECT count(*) FROM [Note]"), QStringList{"3"});
}

void RecordsetTest::addNewStoresOnlyFieldsSet()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("Select * FROM Parametri WHERE IDparametro = 7", db.conn(), db::adOpenStatic,
            db::adLockPessimistic);
    QVERIFY(rs.Eof());
    rs.AddNew();
    rs.setField("IDparametro", 7);
    rs.setField("Descrizione", "l'anno \"corrente\"");
    QCOMPARE(rs.field("descrizione").toString(), "l'anno \"corrente\"");
    QVERIFY(rs.field("Valore").isNull());
    rs.Update();
    // Note was not set: the table's default applies.
    QCOMPARE(db.rows("SELECT IDParametro, Descrizione, Valore, Note FROM Parametri WHERE "
                     "IDParametro = 7"),
             QStringList{"7|l'anno \"corrente\"|<null>|nessuna"});
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.field("IDParametro").toInt(), 7);
}

void RecordsetTest::addNewOnEmptyLookupAsTheLogDoes()
{
    EmbeddedDb db(kSchema);
    const QString sql = "Select * FROM InfoAggiornamenti where nome = 'DELL''ANNO SRL'";
    const QDate today(2024, 5, 17);
    for (const QString& version : {QStringLiteral("2.5"), QStringLiteral("2.6")}) {
        db::Recordset rs;
        rs.Open(sql, db.conn(), db::adOpenStatic, db::adLockPessimistic);
        if (rs.Eof()) rs.AddNew();
        rs.setField("Nome", "DELL'ANNO SRL");
        rs.setField("Data", today);
        rs.setField("Versione", version);
        rs.Update();
        rs.Close();
    }
    // The second check found the row and rewrote it: still one row.
    QCOMPARE(db.rows("SELECT Nome, Data, Versione FROM InfoAggiornamenti"),
             QStringList{"DELL'ANNO SRL|2024-05-17|2.6"});
}

void RecordsetTest::updateChangesTheSelectedRow()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("Select * FROM Parametri WHERE IDparametro = 2", db.conn(), db::adOpenStatic,
            db::adLockPessimistic);
    rs.setField("Note", "nuova nota");
    rs.setField("Descrizione", QVariant());
    rs.Update();
    QCOMPARE(rs.field("Note").toString(), "nuova nota"); // the held row follows
    QVERIFY(rs.field("Descrizione").isNull());
    QCOMPARE(db.rows("SELECT IDParametro, Descrizione, Valore, Note FROM Parametri ORDER BY 1"),
             (QStringList{"1|Versione|2.5|<null>", "2|<null>|2024|nuova nota", "3|Sede|Roma|n3"}));
}

void RecordsetTest::updateAmongSeveralRowsChangesOnlyTheCurrent()
{
    EmbeddedDb db(kSchema);
    for (int cursor : {db::adOpenStatic, db::adOpenForwardOnly}) {
        db::Recordset rs;
        rs.Open("Select * FROM Parametri ", db.conn(), cursor, db::adLockPessimistic);
        rs.MoveNext();
        rs.setField("Valore", cursor == db::adOpenStatic ? "statico" : "avanti");
        rs.Update();
        rs.Close();
    }
    QCOMPARE(db.rows("SELECT Valore FROM Parametri ORDER BY IDParametro"),
             (QStringList{"2.5", "avanti", "Roma"}));
}

void RecordsetTest::updateOfAVanishedRowFails()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("Select * FROM Parametri WHERE IDparametro = 3", db.conn(), db::adOpenStatic,
            db::adLockPessimistic);
    db.run("DELETE FROM Parametri WHERE IDParametro = 3");
    rs.setField("Valore", "Milano");
    QCOMPARE(errorOf([&] { rs.Update(); }).first, db::adoerr::RowNotLocated);
    QCOMPARE(db.rows("SELECT count(*) FROM Parametri"), QStringList{"2"});
}

void RecordsetTest::unknownFieldIsNotStored()
{
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open("Select * FROM Vuota ", db.conn(), db::adOpenStatic, db::adLockPessimistic);
    rs.AddNew();
    rs.setField("a", 1);
    QCOMPARE(errorOf([&] { rs.setField("ValorizzazioneMagazzino", 1); }).first,
             db::adoerr::ItemNotFound);
    rs.Close();
    QCOMPARE(db.rows("SELECT count(*) FROM Vuota"), QStringList{"0"});
}

void RecordsetTest::connectionGoneSinceOpen()
{
    EmbeddedDb db(kSchema);
    db::Recordset held, stream;
    held.Open("Select * FROM Parametri WHERE IDparametro = 2", db.conn(), db::adOpenStatic,
              db::adLockPessimistic);
    stream.Open("Select * FROM Parametri", db.conn(), db::adOpenForwardOnly, db::adLockReadOnly);
    // As a fresh start-up does: a new connection object replaces the old one.
    db.connection = std::make_unique<db::Connection>();
    QCOMPARE(held.field("Valore").toString(), "2024"); // held rows stay readable
    held.setField("Valore", "2025");
    QCOMPARE(errorOf([&] { held.Update(); }).first, db::adoerr::ConnectionUnusable);
    QCOMPARE(errorOf([&] { stream.MoveNext(); }).first, db::adoerr::ConnectionUnusable);
    QCOMPARE(db.rows("SELECT Valore FROM Parametri WHERE IDParametro = 2"), QStringList{"2024"});
}

void RecordsetTest::writesNeedAnUpdatableRecordset_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("lock");
    QTest::newRow("read-only") << "Select * FROM Parametri" << int(db::adLockReadOnly);
    QTest::newRow("distinct") << "Select Distinct Valore FROM Parametri"
                              << int(db::adLockPessimistic);
    QTest::newRow("join") << "Select p.* FROM Parametri p JOIN Vuota v ON v.a = p.IDParametro"
                          << int(db::adLockPessimistic);
}

void RecordsetTest::writesNeedAnUpdatableRecordset()
{
    QFETCH(QString, sql);
    QFETCH(int, lock);
    EmbeddedDb db(kSchema);
    db::Recordset rs;
    rs.Open(sql, db.conn(), db::adOpenStatic, lock);
    QCOMPARE(errorOf([&] { rs.AddNew(); }).first, db::adoerr::NotSupported);
    QCOMPARE(errorOf([&] { rs.setField("Valore", "x"); }).first, db::adoerr::NotSupported);
    QCOMPARE(errorOf([&] { rs.Update(); }).first, db::adoerr::NotSupported);
}

void RecordsetTest::writeTarget_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected"); // table|where, or "-" when not writable

    QTest::newRow("whole table") << "Select * FROM Causali "
                                 << "Causali|";
    QTest::newRow("where") << "Select * FROM Parametri WHERE IDparametro = 5"
                           << "Parametri|IDparametro = 5";
    QTest::newRow("lower case, quotes")
        << "select * from InfoAggiornamenti where nome = 'L''ANNO FROM X'"
        << "InfoAggiornamenti|nome = 'L''ANNO FROM X'";
    QTest::newRow("columns") << "Select Valore, Note FROM Parametri where IDParametro = 1"
                             << "Parametri|IDParametro = 1";
    QTest::newRow("bracketed with blank") << "SELECT * FROM [Order Details] WHERE x=1"
                                          << "[Order Details]|x=1";
    QTest::newRow("owner") << "SELECT * FROM dbo.Iva"
                           << "dbo.Iva|";
    QTest::newRow("line breaks") << "Select *\r\nFROM Iva\r\nwhere\r\nIdIva = 2"
                                 << "Iva|IdIva = 2";
    QTest::newRow("distinct") << "Select Distinct NomeContatore FROM NumerazioneDocumenti "
                              << "-";
    QTest::newRow("top") << "SELECT TOP 1 * FROM Iva"
                         << "-";
    QTest::newRow("two tables") << "SELECT * FROM Iva, Causali"
                                << "-";
    QTest::newRow("join") << "SELECT * FROM Iva i JOIN Causali c ON 1=1"
                          << "-";
    QTest::newRow("not a select") << "UPDATE Iva SET Note = 1"
                                  << "-";
}

void RecordsetTest::writeTarget()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    const auto target = db::writeTargetOf(source);
    QCOMPARE(target ? target->table + "|" + target->where : QString("-"), expected);
}

QTEST_GUILESS_MAIN(RecordsetTest)
#include "test_recordset.moc"
