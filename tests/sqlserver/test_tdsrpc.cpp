// The RPCs FreeTDS makes for parameterised statements that Qt's driver never
// asks for (a direct execution with parameters, a statement prepared and
// described before it runs, and run twice), straight through the ODBC API.
#include "sqlservertesthelpers.h"

#include <QtTest>
#ifdef Q_OS_WIN
#include <qt_windows.h> // the types sql.h is written in
// This test speaks 8-bit text to the driver manager: the plain names, not
// their wide forms, as on unixODBC.
#undef UNICODE
#endif
#include <sql.h>
#include <sqlext.h>

using corvane::test::TdsRule;
using corvane::test::TdsTestServer;

namespace {

// One ODBC connection and statement, freed however the test ends.
struct OdbcStatement
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;

    bool connect(const TdsTestServer& server)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        const QByteArray text = QStringLiteral("DRIVER={FreeTDS};SERVER=%1;PORT=%2;TDS_Version=7.2;"
                                               "DATABASE=Corvane;UID=sa;PWD=Harbor42;")
                                    .arg(server.host())
                                    .arg(server.port())
                                    .toUtf8();
        const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.constData(), SQL_NTS,
                                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        return SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt));
    }
    ~OdbcStatement()
    {
        if (stmt) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (dbc) {
            SQLDisconnect(dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        }
        if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    void free()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        stmt = SQL_NULL_HSTMT;
    }
    // Binds one integer parameter to the first placeholder.
    bool bind(SQLINTEGER& value, SQLLEN& indicator)
    {
        return SQL_SUCCEEDED(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                              0, &value, 0, &indicator));
    }
    // Every row's first column, as an integer.
    QList<int> rows()
    {
        QList<int> values;
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            SQLINTEGER v = 0;
            SQLGetData(stmt, 1, SQL_C_SLONG, &v, sizeof v, nullptr);
            values << v;
        }
        SQLCloseCursor(stmt);
        return values;
    }
};

const QString kSql = QStringLiteral("SELECT Quantita FROM Righe WHERE IDDoc = ?");
const QString kWire = QStringLiteral("SELECT Quantita FROM Righe WHERE IDDoc = @P1");

QList<TdsRule> rules()
{
    return {TdsRule::exact(kWire).values({"7"}).columns({{"Quantita", "int"}}).row({70}),
            TdsRule::exact(kWire).values({"8"}).columns({{"Quantita", "int"}}).row({80}).row({81})};
}

} // namespace

class TestTdsRpc : public QObject
{
    Q_OBJECT
private slots:
    void directExecutionWithParameters();
    void preparedDescribedAndRunTwice();
};

void TestTdsRpc::directExecutionWithParameters()
{
    TdsTestServer server;
    server.setRules(rules());
    QVERIFY2(server.start(), qPrintable(server.errors()));
    OdbcStatement s;
    QVERIFY(s.connect(server));
    SQLINTEGER id = 7;
    SQLLEN indicator = 0;
    QVERIFY(s.bind(id, indicator));
    const QByteArray sql = kSql.toUtf8();
    QVERIFY(SQL_SUCCEEDED(SQLExecDirect(s.stmt, (SQLCHAR*)sql.constData(), SQL_NTS)));
    QCOMPARE(s.rows(), QList<int>{70});
    QCOMPARE(server.unexpected(), QStringList());
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("rpc_direct.txt"));
}

void TestTdsRpc::preparedDescribedAndRunTwice()
{
    TdsTestServer server;
    server.setRules(rules());
    QVERIFY2(server.start(), qPrintable(server.errors()));
    OdbcStatement s;
    QVERIFY(s.connect(server));
    const QByteArray sql = kSql.toUtf8();
    QVERIFY(SQL_SUCCEEDED(SQLPrepare(s.stmt, (SQLCHAR*)sql.constData(), SQL_NTS)));
    SQLINTEGER id = 7;
    SQLLEN indicator = 0;
    QVERIFY(s.bind(id, indicator));
    // Describing the result before running it makes the driver prepare on the server.
    SQLSMALLINT columns = 0;
    QVERIFY(SQL_SUCCEEDED(SQLNumResultCols(s.stmt, &columns)));
    QCOMPARE(columns, SQLSMALLINT(1));
    QVERIFY(SQL_SUCCEEDED(SQLExecute(s.stmt)));
    QCOMPARE(s.rows(), QList<int>{70});
    id = 8;
    QVERIFY(SQL_SUCCEEDED(SQLExecute(s.stmt)));
    QCOMPARE(s.rows(), (QList<int>{80, 81}));
    s.free();
    QCOMPARE(server.unexpected(), QStringList());
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("rpc_prepared.txt"));
}

QTEST_GUILESS_MAIN(TestTdsRpc)
#include "test_tdsrpc.moc"
