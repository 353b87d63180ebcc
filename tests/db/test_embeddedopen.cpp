// Opening an embedded database says what is wrong: a lock is waited for, a
// file that is not a database says so, a name with a control character never
// opens anything.

#include "base/error.h"
#include "db/connection.h"
#include "db/informationschema.h"
#include "support/testdb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>
#include <thread>

using namespace corvane;

namespace {

const QString kName = QStringLiteral("Bellini");

QString openFailure(const QString& connectionString)
{
    db::Connection c;
    try {
        c.Open(connectionString);
    } catch (const Error& e) {
        return e.description();
    }
    return {};
}

// Holds an exclusive lock on the file from another connection for a while.
class LockHolder
{
public:
    LockHolder(const QString& path, int milliseconds)
    {
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle,
                                 SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(m_handle, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        m_thread = std::thread([this, milliseconds] {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr);
        });
    }
    ~LockHolder()
    {
        m_thread.join();
        sqlite3_close(m_handle);
    }

private:
    sqlite3* m_handle = nullptr;
    std::thread m_thread;
};

} // namespace

class TestEmbeddedOpen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { db::installInformationSchema(); }

    void lockHeldBrieflyIsWaitedFor()
    {
        QTemporaryDir dir;
        test::runSqlScript(dir.path(), kName, "CREATE TABLE t (x int); INSERT INTO t VALUES (1);");
        LockHolder lock(dir.filePath(kName + ".db"), 1500);
        QElapsedTimer clock;
        clock.start();
        db::Connection c;
        c.Open(test::embeddedConnectionString(dir.path(), kName));
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(c.State(), db::adStateOpen);
    }

    void lockHeldTooLongSaysSo()
    {
        QTemporaryDir dir;
        test::runSqlScript(dir.path(), kName, "CREATE TABLE t (x int);");
        LockHolder lock(dir.filePath(kName + ".db"), 7000);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(openFailure(test::embeddedConnectionString(dir.path(), kName)),
                 QStringLiteral("database is locked"));
        QVERIFY(clock.elapsed() >= 4500);
    }

    void notADatabase_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(8192, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << noise;
        QTest::newRow("truncated header") << QByteArray("SQLite format 3\0\x10\0", 19);
    }
    void notADatabase()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QFile f(dir.filePath(kName + ".db"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QCOMPARE(openFailure(test::embeddedConnectionString(dir.path(), kName)),
                 QStringLiteral("file is not a database"));
        QCOMPARE(QFile(dir.filePath(kName + ".db")).size(), bytes.size());
    }

    void controlCharactersOpenNothing_data()
    {
        QTest::addColumn<QString>("beforeFolder"); // put between "sqlite:" and the folder
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("error");
        QTest::newRow("NUL before the folder")
            << QString(QChar(0)) << kName
            << "Invalid connection string: the data source holds the control character U+0000";
        QTest::newRow("NUL in the database name")
            << QString() << QStringLiteral("Bel") + QChar(0) + QStringLiteral("lini")
            << "Invalid connection string: the database name holds the control character U+0000";
        QTest::newRow("escape in the database name")
            << QString() << QStringLiteral("Bellini\x1b")
            << "Invalid connection string: the database name holds the control character U+001B";
    }
    void controlCharactersOpenNothing()
    {
        QFETCH(QString, beforeFolder);
        QFETCH(QString, database);
        QFETCH(QString, error);
        QTemporaryDir dir;
        test::runSqlScript(dir.path(), kName, "CREATE TABLE t (x int);");
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);
        QCOMPARE(openFailure(QStringLiteral("Provider=SQLOLEDB;Data Source=sqlite:%1%2;User ID=sa;"
                                            "PWD=;DATABASE=%3")
                                 .arg(beforeFolder, dir.path(), database)),
                 error);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
    }
};

QTEST_GUILESS_MAIN(TestEmbeddedOpen)
#include "test_embeddedopen.moc"
