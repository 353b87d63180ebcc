// The download run against a real FTP server: what is fetched, how
// Corvane.exe is replaced, and that every way out leaves the window usable.
#include "base/system.h"
#include "ftpfixture.h"
#include "ftpupdate/download.h"
#include "ftpupdate/texts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int kAsBefore = -2; // the version labels keep their colour
const QString kInUse = ftptext::ExecutableInUse + QStringLiteral("\r\n\r\n");

// Publishes CORVANE.EXE 2.0.0.15 with its VERSIONE.TXT; the program folder
// holds Corvane.exe 2.0.0.14.
void publishNewVersion(UpdateWorld& w, const QString& listedName = QStringLiteral("CORVANE.EXE"))
{
    QVERIFY(
        buildPe(w.inDistribution(listedName), "pe32", {"--file-version", "2,0,0,15"}).isEmpty());
    writeFile(w.inDistribution("VERSIONE.TXT"), "2.0.15\r\n");
    QVERIFY(buildPe(w.inProgram("Corvane.exe"), "pe32", {"--file-version", "2,0,0,14"}).isEmpty());
    w.form.lblVerProgDashmoor.setCaption("2.0.15");
    w.form.lblVerProgLocale.setCaption("2.0.14");
}

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void equalVersionsAndNoChangesNothing();
    void progressCountsEveryFile();
    void runningExecutableIsNotReplaced();
};

void TestDownload::run_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QStringList>("boxes"); // expected box texts, each a prefix
    QTest::addColumn<QStringList>("files"); // the program folder afterwards
    QTest::addColumn<bool>("replaced");     // Corvane.exe is the published one
    QTest::addColumn<int>("colour");        // of the version labels afterwards
    const int none = kAsBefore;
    QTest::newRow("new version") << "new version" << QStringList{}
                                 << QStringList{"Corvane.exe", "VERSIONE.TXT"} << true
                                 << int(colour::Green);
    QTest::newRow("lower-case corvane.exe")
        << "lower case" << QStringList{} << QStringList{"Corvane.exe", "VERSIONE.TXT"} << true
        << int(colour::Green);
    QTest::newRow("nothing but version files")
        << "version files only"
        << QStringList{kInUse + "Corvane_Temp.exe: No such file or directory"}
        << QStringList{"Corvane.exe", "VERSIONE.TXT"} << false << int(colour::Red);
    QTest::newRow("package already here") << "packages" << QStringList{}
                                          << QStringList{"Corvane.exe", "SQLSERVER2005_BC_X64.MSI",
                                                         "VERSIONE.TXT", "sqlserver2005_bc.msi"}
                                          << true << int(colour::Green);
    QTest::newRow("hostile names skipped")
        << "hostile" << QStringList{} << QStringList{"Corvane.exe", "VERSIONE.TXT", "ok file.bin"}
        << true << int(colour::Green);
    QTest::newRow("refused file skipped")
        << "refused" << QStringList{} << QStringList{"Corvane.exe", "VERSIONE.TXT", "b.bin"} << true
        << int(colour::Green);
    QTest::newRow("unreachable server") << "unreachable" << QStringList{ftptext::ServerNotFound}
                                        << QStringList{"Corvane.exe"} << false << none;
    QTest::newRow("empty folder") << "empty" << QStringList{ftptext::NoUpdates}
                                  << QStringList{"Corvane.exe"} << false << none;
    QTest::newRow("CORVANE.EXE cut short, 226")
        << "cut 226" << QStringList{ftptext::FtpError, "Transfer"} << QStringList{"Corvane.exe"}
        << false << none;
    QTest::newRow("CORVANE.EXE cut short, 426") << "cut 426" << QStringList{ftptext::FtpError, ""}
                                                << QStringList{"Corvane.exe"} << false << none;
    QTest::newRow("3001 entries") << "3001"
                                  << QStringList{ftptext::FtpError,
                                                 "The update folder lists more than 3000"}
                                  << QStringList{"Corvane.exe"} << false << none;
}

void TestDownload::run()
{
    QFETCH(QString, situation);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, files);
    QFETCH(bool, replaced);
    QFETCH(int, colour);
    UpdateWorld w;
    QStringList switches;
    publishNewVersion(w, situation == "lower case" ? "corvane.exe" : "CORVANE.EXE");
    writeFile(w.inDistribution("CORVANEUPDATE.EXE"), binaryPayload(500, 1));
    writeFile(w.inDistribution("VERSIONEUPDATE.TXT"), "1.2.0\r\n");
    if (situation == "version files only") QFile::remove(w.inDistribution("CORVANE.EXE"));
    if (situation == "packages") {
        writeFile(w.inDistribution("SQLSERVER2005_BC.MSI"), binaryPayload(300, 2));
        writeFile(w.inDistribution("SQLSERVER2005_BC_X64.MSI"), binaryPayload(300, 3));
        writeFile(w.inProgram("sqlserver2005_bc.msi"), "local copy");
    }
    if (situation == "hostile") {
        writeFile(w.inDistribution("ok file.bin"), binaryPayload(64, 4));
        for (const char* name : {"../evil", "/etc/x", "C:\\x", "a/b", "..", " "})
            switches << "--extra-name" << name;
    }
    if (situation == "refused") {
        writeFile(w.inDistribution("a.bin"), binaryPayload(64, 5));
        writeFile(w.inDistribution("b.bin"), binaryPayload(64, 6));
        switches << "--refuse"
                 << "a.bin";
    }
    if (situation == "empty")
        QVERIFY(QDir(w.distribution).removeRecursively() && QDir().mkpath(w.distribution));
    if (situation == "cut 226")
        switches << "--cut-226"
                 << "CORVANE.EXE:1000";
    if (situation == "cut 426")
        switches << "--cut-426"
                 << "CORVANE.EXE:1000";
    if (situation == "3001") {
        for (int i = 0; i < 2997; ++i)
            QFile(w.inDistribution(QStringLiteral("f%1").arg(i))).open(QIODevice::WriteOnly);
    }
    const QByteArray published =
        readFile(w.inDistribution(situation == "lower case" ? "corvane.exe" : "CORVANE.EXE"));
    const QByteArray old = readFile(w.inProgram("Corvane.exe"));
    if (situation == "unreachable")
        useClosedUpdateServer();
    else
        QVERIFY(w.startServer(switches));
    for (const QString& b : boxes)
        w.port.expectBoxStartingWith(b);
    const int colourBefore = w.form.lblVerProgLocale.foreColour();
    // Each file fetched is logged: the window must be disabled at that moment.
    bool disabledWhileRunning = true;
    w.log.onRecord = [&] {
        if (w.log.lines.last().startsWith("FTP: fetched") &&
            (w.form.enabled() || !w.form.FrameInfo.visible()))
            disabledWhileRunning = false;
    };

    cmdNuovaVer_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.programFiles(), files);
    QCOMPARE(readFile(w.inProgram("Corvane.exe")), replaced ? published : old);
    QCOMPARE(w.form.lblVerProgLocale.foreColour(), colour == kAsBefore ? colourBefore : colour);
    QVERIFY(disabledWhileRunning);
    QVERIFY(w.form.enabled());
    QVERIFY(!w.form.FrameInfo.visible());
    QVERIFY(!w.form.lblinfo.visible());
    QCOMPARE(w.port.mousePointer, pointer::Icon);
    QVERIFY(!QFileInfo::exists(w.program + "/../evil") && !QFileInfo::exists(w.program + "/a"));
    if (situation == "packages")
        QCOMPARE(readFile(w.inProgram("sqlserver2005_bc.msi")), QByteArray("local copy"));
}

void TestDownload::equalVersionsAndNoChangesNothing()
{
    UpdateWorld w;
    useClosedUpdateServer();
    w.form.lblVerProgDashmoor.setCaption("2.0.15");
    w.form.lblVerProgLocale.setCaption("2.0.15");
    w.form.ListFile.addItem("left over");
    w.form.FrameInfo.setVisible(false);
    w.port.expectBox(ftptext::AlreadyUpToDate, Answer::No);

    cmdNuovaVer_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.first().title, ftptext::AlreadyUpToDateTitle);
    QCOMPARE(w.port.boxes.first().style, style::YesNoQuestion);
    QCOMPARE(w.form.ListFile.items(), QStringList{"left over"});
    QVERIFY(w.form.enabled());
    QVERIFY(!w.form.FrameInfo.visible());
    QCOMPARE(w.port.mousePointer, pointer::Icon);
}

void TestDownload::progressCountsEveryFile()
{
    UpdateWorld w;
    publishNewVersion(w);
    writeFile(w.inDistribution("a.bin"), binaryPayload(10, 7));
    writeFile(w.inDistribution("b.bin"), binaryPayload(10, 8));
    QVERIFY(w.startServer());
    QStringList captions;
    w.port.onYield = [&] {
        if (captions.isEmpty() || captions.last() != w.form.lblinfo.caption())
            captions << w.form.lblinfo.caption();
    };
    w.port.expectBox(ftptext::AlreadyUpToDate, Answer::Yes);
    w.form.lblVerProgLocale.setCaption("2.0.15");

    cmdNuovaVer_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    const QString head = ftptext::FetchingCaption;
    const QStringList expected{ftptext::DownloadCaption, ftptext::CheckingCaption,
                               head + "1/3) \r\nCorvane_Temp.exe", head + "2/3) \r\na.bin",
                               head + "3/3) \r\nb.bin"};
    QCOMPARE(captions, expected);
}

void TestDownload::runningExecutableIsNotReplaced()
{
    UpdateWorld w;
    publishNewVersion(w);
    // A real executable, running under the name Corvane.exe.
    QFile::remove(w.inProgram("Corvane.exe"));
    QVERIFY(QFile::copy(CORVANE_TEST_SLEEPER, w.inProgram("Corvane.exe")));
    const QByteArray old = readFile(w.inProgram("Corvane.exe"));
    QProcess running;
    running.start(w.inProgram("Corvane.exe"), {"30"});
    QVERIFY(running.waitForStarted());
    QVERIFY(w.startServer());
    // The box carries the system's own words for the refusal.
    QString reason;
    QVERIFY(sys::executableInUse(w.inProgram("Corvane.exe"), &reason));
    QVERIFY(!reason.isEmpty());
    w.port.expectBox(kInUse + reason);
    // The running program has no version block: the check then says so.
    w.port.expectBox(ftptext::FtpError);

    cmdNuovaVer_Click(w.ctx);
    running.kill();
    running.waitForFinished();

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.first().title, ftptext::ExecutableInUseTitle);
    QCOMPARE(readFile(w.inProgram("Corvane.exe")), old);
    QCOMPARE(readFile(w.inProgram("Corvane_Temp.exe")), readFile(w.inDistribution("CORVANE.EXE")));
    QVERIFY(w.form.enabled());
    QVERIFY(!w.form.FrameInfo.visible());
}

QTEST_GUILESS_MAIN(TestDownload)
#include "test_download.moc"
