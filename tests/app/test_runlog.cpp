#include "app/qtmessages.h"
#include "state/runlog.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace corvane;

namespace {

} // namespace

class TestRunLog : public QObject
{
    Q_OBJECT
private slots:
    void eachLineCarriesTimeAndProcess()
    {
        QTemporaryDir dir;
        RunLog log(dir.path());
        log.record(QStringLiteral("first\r\nsecond"));
        log.record(QStringLiteral("third"));
        const QList<QByteArray> lines = test::readFile(log.path()).split('\n');
        QCOMPARE(lines.size(), 3);
        const QRegularExpression shape(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\[%1\\] first \\| second$")
                .arg(QCoreApplication::applicationPid()));
        QVERIFY2(shape.match(QString::fromUtf8(lines[0])).hasMatch(), lines[0].constData());
        QVERIFY(lines[1].endsWith("] third"));
    }

    void appendsAndRotates()
    {
        QTemporaryDir dir;
        RunLog log(dir.path(), 200);
        for (int i = 0; i < 20; ++i)
            log.record(QStringLiteral("event %1").arg(i));
        QVERIFY(QFile(log.path()).size() <= 200);
        QVERIFY(QFile::exists(log.path() + QStringLiteral(".1")));
        QVERIFY(QFile(log.path() + QStringLiteral(".1")).size() <= 200);
        QVERIFY(test::readFile(log.path()).endsWith("event 19\n"));
    }

    void unwritableLogNeverStopsTheRun()
    {
        RunLog log(QStringLiteral("/proc/no-such-folder"));
        log.record(QStringLiteral("nothing happens")); // must not throw
        QVERIFY(!QFile::exists(log.path()));
    }

    // A folder in the log's place is left alone, and not moved aside.
    void folderInTheLogsPlace()
    {
        QTemporaryDir dir;
        RunLog log(dir.path(), 10);
        QVERIFY(QDir().mkdir(log.path()));
        log.record(QStringLiteral("a line longer than the limit"));
        QVERIFY(QFileInfo(log.path()).isDir());
        QVERIFY(!QFile::exists(log.path() + QStringLiteral(".1")));
    }

    // A FIFO in the log's place, nobody reading it: the line is skipped at
    // once instead of waiting for a reader forever, and the FIFO stays.
    void fifoInTheLogsPlaceNeverBlocks()
    {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs on Windows");
#else
        QTemporaryDir dir;
        RunLog log(dir.path(), 10);
        QCOMPARE(::mkfifo(QFile::encodeName(log.path()).constData(), 0600), 0);
        QElapsedTimer t;
        t.start();
        log.record(QStringLiteral("start, a line longer than the limit"));
        log.record(QStringLiteral("end"));
        QVERIFY2(t.elapsed() < 2000, "the log waited for a reader");
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(log.path()).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(!QFile::exists(log.path() + QStringLiteral(".1")));
#endif
    }

    // With a reader on the FIFO the open succeeds; the line still never goes
    // into something that is not a plain file.
    void fifoWithAReaderGetsNothing()
    {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs on Windows");
#else
        QTemporaryDir dir;
        RunLog log(dir.path());
        QCOMPARE(::mkfifo(QFile::encodeName(log.path()).constData(), 0600), 0);
        QFile reader(log.path());
        // Opening the reading end alone would wait for a writer: non-blocking.
        const int fd = ::open(QFile::encodeName(log.path()).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        QVERIFY(reader.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        log.record(QStringLiteral("not for a pipe"));
        QCOMPARE(reader.read(100), QByteArray());
#endif
    }

    void qtWarningsOfAQuietRunGoToTheLog()
    {
        test::RecordingLog log;
        keepQtWarningsFromStderr();
        qWarning("before the log exists");
        sendQtWarningsTo(log);
        qInfo("a note");
        restoreQtWarnings();
        qDebug("after: not ours");
        QCOMPARE(log.lines, (QStringList{QStringLiteral("qt: before the log exists"),
                                         QStringLiteral("qt: a note")}));
    }
};

QTEST_GUILESS_MAIN(TestRunLog)
#include "test_runlog.moc"
