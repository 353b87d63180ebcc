// How the schema component reads embedded database files: through the
// program's own connection when it has one open on the file (so that it sees
// what the update run has just created, before the run commits), through a
// handle of its own without INFORMATION_SCHEMA otherwise, and always the file
// as it is now.

#include "base/error.h"
#include "db/connection.h"
#include "db/informationschema.h"
#include "schema/runtransaction.h"
#include "schema/sqldmo.h"
#include "state/globals.h"
#include "support/world.h"

#include <QFile>
#include <QtTest>
#include <sqlite3.h>

using namespace corvane;
using namespace corvane::schema;

namespace {

std::shared_ptr<Database> database(Application& app, const QString& folder, const QString& name)
{
    auto server = app.createServer();
    server->Connect(QStringLiteral("sqlite:") + folder, QStringLiteral("sa"), QString());
    return server->Databases(name);
}

qint64 cacheSize(sqlite3* handle)
{
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, "PRAGMA cache_size", -1, &stmt, nullptr);
    const qint64 size = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return size;
}

QStringList columnNames(Database& db, const QString& table)
{
    QStringList names;
    for (const Column& c : db.Tables(table)->Columns())
        names << c.Name;
    return names;
}

} // namespace

class TestEmbeddedFiles : public QObject
{
    Q_OBJECT
private slots:
    void seesWhatTheRunCreatedBeforeItCommits_data();
    void seesWhatTheRunCreatedBeforeItCommits();
    void aReplacedFileIsReadAnew();
    void ownHandlesCarryNoInformationSchema();
    void objectsBeforeAFailureStayCreated();
    void aLostStretchIsNeverTakenAsKept_data();
    void aLostStretchIsNeverTakenAsKept();
    void theRunsPageCacheIsGivenBack_data();
    void theRunsPageCacheIsGivenBack();
};

void TestEmbeddedFiles::seesWhatTheRunCreatedBeforeItCommits_data()
{
    QTest::addColumn<QString>("asked");
    QTest::newRow("as created") << "Nuova";
    QTest::newRow("other letter case, trailing blanks") << "NUOVA  ";
}

void TestEmbeddedFiles::seesWhatTheRunCreatedBeforeItCommits()
{
    QFETCH(QString, asked);
    test::World w;
    w.local("CREATE TABLE Vecchia (a int);");
    w.reference("CREATE TABLE Vecchia (a int);");
    w.connect();
    Application& app = application(w.g);
    // Read once before: the component's names of the file are then cached.
    QCOMPARE(columnNames(*database(app, w.path(), test::kLocalDatabase), "Vecchia"),
             QStringList{"a"});

    RunTransaction transaction(w.g.LocalConnection.get(), true);
    transaction.enter();
    w.g.LocalConnection->Execute(QStringLiteral("CREATE TABLE Nuova (x int, y text)"));
    QCOMPARE(columnNames(*database(app, w.path(), test::kLocalDatabase), asked),
             (QStringList{"x", "y"}));
    // Another reader does not see it until the run commits.
    QCOMPARE(w.localRows("SELECT name FROM sqlite_schema WHERE name = 'Nuova'"), QStringList());
    transaction.commit();
    QCOMPARE(w.localRows("SELECT name FROM sqlite_schema WHERE name = 'Nuova'"),
             QStringList{"Nuova"});
}

void TestEmbeddedFiles::aReplacedFileIsReadAnew()
{
    test::TestFolder folder;
    folder.reference("CREATE TABLE Prima (a int);");
    folder.run(QStringLiteral("Nuovo"), QStringLiteral("CREATE TABLE Seconda (b int);"));
    // No program connection: the component reads through a handle of its own.
    const std::shared_ptr<Application> app = createDefaultApplication();
    QCOMPARE(columnNames(*database(*app, folder.path(), test::kReferenceDatabase), "Prima"),
             QStringList{"a"});

    const QString file = folder.file(test::kReferenceDatabase + QStringLiteral(".db"));
#ifdef Q_OS_WIN
    QSKIP("Windows refuses to remove a database file a handle holds open, so nobody can "
          "replace the file under a run there");
#endif
    QVERIFY(QFile::remove(file));
    QVERIFY(QFile::rename(folder.file(QStringLiteral("Nuovo.db")), file));
    auto db = database(*app, folder.path(), test::kReferenceDatabase);
    QCOMPARE(columnNames(*db, "Seconda"), QStringList{"b"});
    QVERIFY_THROWS_EXCEPTION(Error, db->Tables(QStringLiteral("Prima")));

    // The end of a run lets the handle go; the next read opens the file again.
    app->releaseFiles();
    QCOMPARE(columnNames(*database(*app, folder.path(), test::kReferenceDatabase), "Seconda"),
             QStringList{"b"});
}

void TestEmbeddedFiles::ownHandlesCarryNoInformationSchema()
{
    test::TestFolder folder;
    folder.reference("CREATE TABLE Prima (a int);");
    db::installInformationSchema();
    const QByteArray path = folder.file(test::kReferenceDatabase + QStringLiteral(".db")).toUtf8();
    const char* query = "SELECT count(*) FROM INFORMATION_SCHEMA.TABLES";
    sqlite3* plain = nullptr;
    QCOMPARE(db::openWithoutInformationSchema(path, SQLITE_OPEN_READONLY, &plain), SQLITE_OK);
    QVERIFY(sqlite3_exec(plain, query, nullptr, nullptr, nullptr) != SQLITE_OK);
    QVERIFY(QByteArray(sqlite3_errmsg(plain)).contains("no such table"));
    sqlite3_close(plain);
    // Every other handle of the process still carries it.
    sqlite3* layered = nullptr;
    QCOMPARE(sqlite3_open_v2(path, &layered, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_exec(layered, query, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(layered);
}

void TestEmbeddedFiles::objectsBeforeAFailureStayCreated()
{
    test::World w;
    w.local("CREATE TABLE Doppia (a int);");
    w.reference("CREATE TABLE Doppia (a int);");
    w.connect();
    try {
        RunTransaction transaction(w.g.LocalConnection.get(), true);
        transaction.enter();
        w.g.LocalConnection->Execute(QStringLiteral("CREATE TABLE Prima (a int)"));
        try {
            w.g.LocalConnection->Execute(QStringLiteral("CREATE TABLE Doppia (a int)"));
            QFAIL("the second CREATE TABLE should fail");
        } catch (const Error&) {
            transaction.commit(); // as the run does before it shows the error
        }
    } catch (const Error& e) {
        QFAIL(qPrintable(e.description()));
    }
    QCOMPARE(w.localRows("SELECT name FROM sqlite_schema ORDER BY name"),
             (QStringList{"Doppia", "Prima"}));
}

// A stretch is lost when the engine rolls it back itself (a full disk, an I/O
// error) or when its connection closes under it, which also frees the handle.
// Committing says so, nothing of the stretch is logged as kept, and a closed
// connection gets no stretch of its own afterwards.
void TestEmbeddedFiles::aLostStretchIsNeverTakenAsKept_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("rolled back by the engine") << false;
    QTest::newRow("its connection closed") << true;
}

void TestEmbeddedFiles::aLostStretchIsNeverTakenAsKept()
{
    QFETCH(bool, closed);
    test::World w;
    w.local("CREATE TABLE Prima (a int);");
    w.reference("CREATE TABLE Prima (a int);");
    w.connect();
    {
        RunTransaction transaction(w.g.LocalConnection.get(), true);
        transaction.enter();
        w.g.LocalConnection->Execute(QStringLiteral("CREATE TABLE Persa (a int)"));
        bool logged = false;
        transaction.whenKept([&logged] { logged = true; });
        if (closed)
            w.g.LocalConnection->Close();
        else
            sqlite3_exec(w.g.LocalConnection->embeddedHandle(), "ROLLBACK", nullptr, nullptr,
                         nullptr);
        // A closed connection is found out at the next object already.
        if (closed)
            QVERIFY_THROWS_EXCEPTION(StretchLost, transaction.enter());
        else
            QVERIFY_THROWS_EXCEPTION(StretchLost, transaction.commit());
        QVERIFY(!logged);
        transaction.enter();
        bool atOnce = false;
        transaction.whenKept([&atOnce] { atOnce = true; });
        QCOMPARE(atOnce, closed);
    }
    if (closed) w.connect();
    QCOMPARE(w.localRows("SELECT name FROM sqlite_schema WHERE name = 'Persa'"), QStringList());
}

// Every CREATE makes the engine read the whole schema again: the run gives
// the handle a cache that holds it, and the owner's setting back at its end.
void TestEmbeddedFiles::theRunsPageCacheIsGivenBack_data()
{
    QTest::addColumn<QByteArray>("owners"); // the owner's cache_size, "" for the engine's
    QTest::addColumn<bool>("executes");
    QTest::addColumn<bool>("raised");
    QTest::newRow("engine's default") << QByteArray() << true << true;
    QTest::newRow("smaller, in pages") << QByteArray("100") << true << true;
    QTest::newRow("none at all") << QByteArray("0") << true << true;
    QTest::newRow("larger, in KiB") << QByteArray("-65536") << true << false;
    // 8,192 pages of 4 KiB: 32 MiB, larger though the number is smaller.
    QTest::newRow("larger, in pages") << QByteArray("8192") << true << false;
    QTest::newRow("a preview executes nothing") << QByteArray() << false << false;
}

void TestEmbeddedFiles::theRunsPageCacheIsGivenBack()
{
    QFETCH(QByteArray, owners);
    QFETCH(bool, executes);
    QFETCH(bool, raised);
    test::World w;
    w.local("PRAGMA page_size = 4096; CREATE TABLE Prima (a int);");
    w.reference("CREATE TABLE Prima (a int);");
    w.connect();
    sqlite3* handle = w.g.LocalConnection->embeddedHandle();
    if (!owners.isEmpty())
        QCOMPARE(sqlite3_exec(handle, "PRAGMA cache_size = " + owners, nullptr, nullptr, nullptr),
                 SQLITE_OK);
    const qint64 before = cacheSize(handle);
    {
        RunTransaction transaction(w.g.LocalConnection.get(), executes);
        QCOMPARE(cacheSize(handle), raised ? -RunTransaction::kPageCacheKiB : before);
        if (executes) {
            transaction.enter();
            w.g.LocalConnection->Execute(QStringLiteral("CREATE TABLE Seconda (a int)"));
            transaction.commit();
            QCOMPARE(cacheSize(handle), raised ? -RunTransaction::kPageCacheKiB : before);
        }
    }
    QCOMPARE(cacheSize(handle), before);
}

QTEST_GUILESS_MAIN(TestEmbeddedFiles)
#include "test_embeddedfiles.moc"
