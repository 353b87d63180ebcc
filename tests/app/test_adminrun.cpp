// Runs an administrator schedules, seen from inside: one run per program
// folder, a preview that fetches and installs nothing, the bytes of a
// download on PB1.
#include "app/mainwindow.h"
#include "app/runlock.h"
#include "ftpfixture.h"
#include "ftpupdate/download.h"
#include "ftpupdate/texts.h"
#include "schema/sqldmo.h"
#include "schema/updaterun.h"
#include "support/fakesqldmo.h"
#include "support/programworld.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

namespace {

const QString kWaiting = QStringLiteral("Un Altro Aggiornamento è in Corso in Questa Cartella");

} // namespace

class TestAdminRun : public QObject
{
    Q_OBJECT
private slots:
    void freeFolderIsTakenAtOnce()
    {
        test::ProgramWorld f;
        RunLock lock(f.path());
        f.form->acquireRunLock(lock, std::chrono::seconds(5));
        QVERIFY(lock.isLocked());
        QVERIFY(!f.form->shown()); // nothing to wait for, nothing shown
        QCOMPARE(f.port.yields, 0);
        QVERIFY(QFile::exists(f.file(QStringLiteral("CorvaneUpdate.lock"))));
    }

    // A folder where no lock file can be made holds nobody up.
    void unwritableFolderRunsWithoutTheLock()
    {
        test::ProgramWorld f;
        RunLock lock(QStringLiteral("/proc/no-such-folder"));
        QElapsedTimer t;
        t.start();
        f.form->acquireRunLock(lock, std::chrono::seconds(5));
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(!lock.isLocked());
        QVERIFY(f.port.boxes.isEmpty());
        QVERIFY(f.log.lines.last().contains(QStringLiteral("cannot be made")));
    }

    // While another run holds the folder the window says so, takes no
    // input, and lets Timer1's tick wait for the run of its own.
    void waitsWhileAnotherRunHoldsTheFolder()
    {
        test::ProgramWorld f;
        QLockFile other(f.file(QStringLiteral("CorvaneUpdate.lock")));
        QVERIFY(other.tryLock(0));
        QElapsedTimer held;
        held.start();
        bool tickDue = false;
        f.port.onYield = [&] {
            QVERIFY(f.form->shown());
            QVERIFY(!f.form->enabled());
            QVERIFY(f.form->FrameInfo.visible());
            QVERIFY(f.form->lblinfo.caption().startsWith(kWaiting));
            if (!tickDue) {
                tickDue = true;
                QTest::qWait(f.form->Timer1.interval() + 300); // the tick comes in here
            }
            if (held.elapsed() > 2500) other.unlock();
        };
        RunLock lock(f.path());
        f.form->acquireRunLock(lock, std::chrono::seconds(30));
        QVERIFY(lock.isLocked());
        QVERIFY(held.elapsed() >= 2500);
        QVERIFY(!f.form->FrameInfo.visible());
        QVERIFY(f.form->Timer1.enabled()); // the tick waits for the start-up
        QVERIFY(f.log.lines.first().startsWith(QStringLiteral("waiting for the run that holds ")));
        QVERIFY(f.log.lines.last().startsWith(QStringLiteral("run lock taken after ")));
        QVERIFY(f.port.boxes.isEmpty());
    }

    void givesUpWithABoxAndStatus2()
    {
        test::ProgramWorld f;
        QLockFile other(f.file(QStringLiteral("CorvaneUpdate.lock")));
        QVERIFY(other.tryLock(0));
        f.port.expectBoxStartingWith(kWaiting);
        RunLock lock(f.path());
        QElapsedTimer t;
        t.start();
        try {
            f.form->acquireRunLock(lock, std::chrono::seconds(1));
            QFAIL("the wait did not end the program");
        } catch (const test::ProgramEnded& e) {
            QCOMPARE(e.exitCode, 2);
        }
        QVERIFY(t.elapsed() >= 1000 && t.elapsed() < 5000);
        QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
        const test::RecordedBox& box = f.port.boxes.last();
        QCOMPARE(box.style, 16);
        QVERIFY(box.text.contains(QDir::toNativeSeparators(lock.path()))); // what to remove
        QVERIFY(!lock.isLocked());
    }

    // A preview with SQL-DMO missing says so, and neither opens the
    // installer nor downloads a new program version.
    void previewFetchesAndInstallsNothing()
    {
        test::ProgramWorld f;
        QFile msi(f.file(QStringLiteral("SQLSERVER2005_BC_X64.MSI")));
        QVERIFY(msi.open(QIODevice::WriteOnly));
        msi.close();
        QFile::copy(msi.fileName(), f.file(QStringLiteral("SQLSERVER2005_BC.MSI")));
        f.g.createSqlDmoApplication = [] {
            auto old = std::make_shared<test::FakeSqlDmoApplication>();
            old->major = 8;
            old->minor = 0;
            return old;
        };
        f.g.PreviewMode = true;
        f.port.expectBoxStartingWith(QStringLiteral("Non ci sono Alcune librerie Installate"));
        Cmd_Click(f.form->context());
        QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
        QVERIFY(f.port.opened.isEmpty());
        QVERIFY(f.form->lblinfo.caption() != ftptext::DownloadCaption);
    }

    // During a download PB1 counts the bytes of the file arriving.
    void progressBarCountsTheBytesOfTheFile()
    {
        test::UpdateWorld w;
        QVERIFY(
            test::buildPe(w.inDistribution("CORVANE.EXE"), "pe32", {"--file-version", "2,0,0,15"})
                .isEmpty());
        QVERIFY(test::buildPe(w.inProgram("Corvane.exe"), "pe32", {"--file-version", "2,0,0,14"})
                    .isEmpty());
        const qsizetype size = 3 * 1024 * 1024;
        test::writeFile(w.inDistribution("Archivio.zip"), test::binaryPayload(size, 11));
        test::writeFile(w.inDistribution("VERSIONE.TXT"), "2.0.15\r\n");
        QVERIFY(w.startServer({"--rate", "700000"}));
        QList<QPair<int, int>> seen; // PB1 max and value while Archivio.zip arrives
        w.port.onYield = [&] {
            if (!w.form.lblinfo.caption().endsWith(QStringLiteral("Archivio.zip"))) return;
            seen << qMakePair(w.form.PB1.max(), w.form.PB1.value());
        };
        w.form.lblVerProgLocale.setCaption(QStringLiteral("2.0.14"));
        cmdNuovaVer_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QVERIFY(seen.size() >= 5);
        int previous = -1;
        bool partway = false;
        QCOMPARE(seen.first(), qMakePair(0, 0)); // busy until the size is known
        for (const auto& [max, value] : seen) {
            if (max == 0) continue;
            QCOMPARE(max, int(size));
            QVERIFY(value >= previous);
            previous = value;
            partway = partway || (value > 0 && value < max);
        }
        QVERIFY(partway);
    }
};

QTEST_GUILESS_MAIN(TestAdminRun)
#include "test_adminrun.moc"
