// The operating system's calls: the executable-in-use check, the one-step
// replacement of a file, flushing, on names beyond ASCII as customers have them.
#include "base/error.h"
#include "base/system.h"
#include "support/testfiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

using corvane::test::readFile;
using corvane::test::writeFile;

class TestSystem : public QObject
{
    Q_OBJECT

private slots:
    void replaceFile_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("over an existing file") << ""
                                               << "Corvane.exe" << true;
        QTest::newRow("to a new name") << ""
                                       << "Corvane.exe" << false;
        QTest::newRow("accented folder") << QStringLiteral("Contabilità") << "Corvane.exe" << true;
        QTest::newRow("non-Latin names")
            << QStringLiteral("会計") << QStringLiteral("Corvane ß 会計.exe") << true;
        QTest::newRow("spaces") << "Program Files"
                                << "Corvane Update.exe" << true;
    }

    void replaceFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, target);
        QFETCH(bool, targetExists);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString base = folder.isEmpty() ? dir.path() : dir.filePath(folder);
        QVERIFY(QDir().mkpath(base));
        const QString from = base + QStringLiteral("/.") + target + QStringLiteral(".part");
        const QString to = base + u'/' + target;
        writeFile(from, "new contents");
        if (targetExists) writeFile(to, "old");

        sys::syncFile(from);
        sys::replaceFile(from, to);

        QCOMPARE(readFile(to), QByteArray("new contents"));
        QVERIFY(!QFile::exists(from));
        QCOMPARE(QDir(base).entryList(QDir::Files | QDir::Hidden), QStringList{target});
    }

    // A failed replacement leaves the target as it was and says why.
    void replaceFileWithoutSource()
    {
        QTemporaryDir dir;
        const QString to = dir.filePath(QStringLiteral("Corvane.exe"));
        writeFile(to, "old");
        try {
            sys::replaceFile(dir.filePath(QStringLiteral("missing.part")), to);
            QFAIL("replacing from a missing file succeeded");
        } catch (const Error& e) {
            QCOMPARE(e.number(), errnum::PathFileAccess);
            QVERIFY(!e.description().isEmpty());
        }
        QCOMPARE(readFile(to), QByteArray("old"));
    }

    void syncFileOfMissingFileFails()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(Error, sys::syncFile(dir.filePath(QStringLiteral("none"))));
    }

    void executableInUse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("Corvane.exe");
        QTest::newRow("accented") << QStringLiteral("Corvane è.exe");
    }

    // Only a running copy counts as in use; once it ends, the file is free.
    void executableInUse()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString exe = dir.filePath(name);
        QVERIFY(QFile::copy(QStringLiteral(CORVANE_TEST_SLEEPER), exe));
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeUser);
        QString reason;
        QVERIFY(!sys::executableInUse(exe, &reason));
        QVERIFY(reason.isEmpty());

        QProcess running;
        running.start(exe, {QStringLiteral("30")});
        QVERIFY(running.waitForStarted());
        const bool inUse = sys::executableInUse(exe, &reason);
        running.kill();
        running.waitForFinished();
        QVERIFY(inUse);
        QVERIFY(!reason.isEmpty());

        // The system may take a moment to let go of the image.
        QDeadlineTimer deadline(5000);
        while (sys::executableInUse(exe) && !deadline.hasExpired())
            QTest::qWait(50);
        QVERIFY(!sys::executableInUse(exe));
    }

    void executableInUseOfMissingFileFails()
    {
        QTemporaryDir dir;
        try {
            sys::executableInUse(dir.filePath(QStringLiteral("Corvane.exe")));
            QFAIL("a missing file was reported as free");
        } catch (const Error& e) {
            QCOMPARE(e.number(), errnum::PermissionDenied);
        }
    }

    // The build machines and Windows under test are 64-bit.
    void windowsIs64Bit() { QVERIFY(sys::isWindows64Bit()); }
};

QTEST_GUILESS_MAIN(TestSystem)
#include "test_system.moc"
