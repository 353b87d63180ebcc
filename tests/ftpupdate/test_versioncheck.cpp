// The program version check against a real FTP server and real executables.
#include "ftpfixture.h"
#include "ftpupdate/texts.h"
#include "ftpupdate/versioncheck.h"

#include <QFile>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TestVersionCheck : public QObject
{
    Q_OBJECT

private slots:
    void showsBothVersions_data();
    void showsBothVersions();
    void endsWithAMessage_data();
    void endsWithAMessage();
    void fullFolderOf3000EntriesIsRead();
};

void TestVersionCheck::showsBothVersions_data()
{
    QTest::addColumn<QByteArray>("published");
    QTest::addColumn<QString>("arch");
    QTest::addColumn<QString>("localVersion");
    QTest::addColumn<QString>("publishedCaption");
    QTest::addColumn<QString>("localCaption");
    QTest::addColumn<int>("colour");
    const int green = colour::Green;
    const int red = colour::Red;
    QTest::newRow("CR LF, same") << QByteArray("2.0.15\r\n") << "pe32"
                                 << "2,0,0,15"
                                 << "2.0.15"
                                 << "2.0.15" << green;
    QTest::newRow("64-bit executable") << QByteArray("2.0.15\r\n") << "pe32plus"
                                       << "2,0,0,15"
                                       << "2.0.15"
                                       << "2.0.15" << green;
    QTest::newRow("CR alone ends the line") << QByteArray("2.0.15\rnext\r\n") << "pe32"
                                            << "2,0,0,15"
                                            << "2.0.15"
                                            << "2.0.15" << green;
    QTest::newRow("no line end") << QByteArray("2.0.15") << "pe32"
                                 << "2,0,0,15"
                                 << "2.0.15"
                                 << "2.0.15" << green;
    QTest::newRow("blanks around") << QByteArray("  2.0.15 \r\n") << "pe32"
                                   << "2,0,0,15"
                                   << "  2.0.15 "
                                   << "2.0.15" << green;
    QTest::newRow("LF belongs to the line") << QByteArray("2.0.15\n3\n") << "pe32"
                                            << "2,0,0,15"
                                            << "2.0.15\n3\n"
                                            << "2.0.15" << red;
    QTest::newRow("other version") << QByteArray("2.0.16\r\n") << "pe32"
                                   << "2,0,0,15"
                                   << "2.0.16"
                                   << "2.0.15" << red;
    QTest::newRow("letter case counts") << QByteArray("2.0.15a\r\n") << "pe32"
                                        << "2,0,0,15"
                                        << "2.0.15a"
                                        << "2.0.15" << red;
    QTest::newRow("two-digit build") << QByteArray("2.00.5\r\n") << "pe32"
                                     << "2,0,10,5"
                                     << "2.00.5"
                                     << "2.00.5" << green;
    QTest::newRow("large components") << QByteArray("40000.1.65535\r\n") << "pe32"
                                      << "40000,1,2,65535"
                                      << "40000.1.65535"
                                      << "40000.1.65535" << green;
    QTest::newRow("Nessuna never matches") << QByteArray("Nessuna\r\n") << "pe32"
                                           << "2,0,0,15"
                                           << "Nessuna"
                                           << "2.0.15" << red;
}

void TestVersionCheck::showsBothVersions()
{
    QFETCH(QByteArray, published);
    QFETCH(QString, arch);
    QFETCH(QString, localVersion);
    QFETCH(QString, publishedCaption);
    QFETCH(QString, localCaption);
    QFETCH(int, colour);
    UpdateWorld w;
    writeFile(w.inDistribution("VERSIONE.TXT"), published);
    writeFile(w.inDistribution("CORVANE.EXE"), binaryPayload(1000, 1));
    // The local executable in another letter case: the folder is case-blind.
    const QString error =
        buildPe(w.inProgram("corvane.EXE"), arch, {"--file-version", localVersion});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(w.startServer());

    ControllaVersioneProgramma(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.form.lblVerProgDashmoor.caption(), publishedCaption);
    QCOMPARE(w.form.lblVerProgLocale.caption(), localCaption);
    QCOMPARE(w.form.lblVerProgDashmoor.foreColour(), colour);
    QCOMPARE(w.form.lblVerProgLocale.foreColour(), colour);
    QCOMPARE(w.form.ListFile.items(), QStringList{"VERSIONE.TXT"});
    QCOMPARE(w.form.ListFile.listIndex(), 0);
    QCOMPARE(readFile(w.inProgram("VERSIONE.TXT")), published);
}

void TestVersionCheck::endsWithAMessage_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("publishedCaption");
    QTest::addColumn<QString>("localCaption");
    const QString untouched = QStringLiteral("9.9.9");
    QTest::newRow("unknown host") << "unknown host" << ftptext::NoInternet << ftptext::None
                                  << untouched;
    QTest::newRow("wrong password")
        << "wrong password" << ftptext::ServerNotFound << ftptext::None << untouched;
    QTest::newRow("closed port") << "closed port" << ftptext::ServerNotFound << ftptext::None
                                 << untouched;
    QTest::newRow("empty folder") << "empty folder" << ftptext::NoUpdates << ftptext::None
                                  << untouched;
    QTest::newRow("no VERSIONE.TXT, old copy at home")
        << "no version file" << ftptext::FtpError << ftptext::None << untouched;
    QTest::newRow("only versione.txt")
        << "lower case" << ftptext::FtpError << ftptext::None << untouched;
    QTest::newRow("VERSIONE.TXT refused")
        << "refused" << ftptext::FtpError << ftptext::None << untouched;
    QTest::newRow("VERSIONE.TXT cut short")
        << "cut" << ftptext::FtpError << ftptext::None << untouched;
    QTest::newRow("VERSIONE.TXT empty")
        << "empty file" << ftptext::FtpError << ftptext::None << untouched;
    QTest::newRow("Corvane.exe missing") << "no exe" << ftptext::FtpError << "2.0.15" << QString();
    QTest::newRow("Corvane.exe without version")
        << "exe without version" << ftptext::FtpError << "2.0.15" << QString();
    QTest::newRow("3001 entries") << "3001 entries" << ftptext::FtpError << ftptext::None
                                  << untouched;
}

void TestVersionCheck::endsWithAMessage()
{
    QFETCH(QString, situation);
    QFETCH(QString, box);
    QFETCH(QString, publishedCaption);
    QFETCH(QString, localCaption);
    UpdateWorld w;
    QStringList switches;
    if (situation != "empty folder" && situation != "no version file" && situation != "lower case")
        writeFile(w.inDistribution("VERSIONE.TXT"),
                  situation == "empty file" ? QByteArray() : "2.0.15\r\n");
    if (situation == "no version file") {
        writeFile(w.inDistribution("CORVANE.EXE"), binaryPayload(100, 2));
        writeFile(w.inProgram("VERSIONE.TXT"), "2.0.15\r\n");
    }
    if (situation == "lower case") writeFile(w.inDistribution("versione.txt"), "2.0.15\r\n");
    if (situation == "refused")
        switches << "--refuse"
                 << "VERSIONE.TXT";
    if (situation == "cut")
        switches << "--cut-226"
                 << "VERSIONE.TXT:3";
    if (situation == "3001 entries") {
        for (int i = 0; i < 3000; ++i)
            QFile(w.inDistribution(QStringLiteral("a%1").arg(i))).open(QIODevice::WriteOnly);
    }
    if (situation == "exe without version")
        QVERIFY(buildPe(w.inProgram("Corvane.exe"), "pe32", {"--no-version"}).isEmpty());
    else if (situation != "no exe")
        QVERIFY(buildPe(w.inProgram("Corvane.exe"), "pe32").isEmpty());

    if (situation == "unknown host")
        w.useHost("no-such-host.invalid");
    else if (situation == "closed port")
        useClosedUpdateServer();
    else
        QVERIFY(w.startServer(situation == "wrong password" ? QStringList{"--password", "x"}
                                                            : switches));
    w.form.lblVerProgDashmoor.setForeColour(colour::Yellow);
    w.form.lblVerProgLocale.setForeColour(colour::Yellow);
    w.port.expectBox(box);

    ControllaVersioneProgramma(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.form.lblVerProgDashmoor.caption(), publishedCaption);
    QCOMPARE(w.form.lblVerProgLocale.caption(), localCaption);
    // A check that did not finish leaves the colours as they were.
    QCOMPARE(w.form.lblVerProgDashmoor.foreColour(), colour::Yellow);
    QCOMPARE(w.form.lblVerProgLocale.foreColour(), colour::Yellow);
    if (situation == "no version file") QCOMPARE(w.form.ListFile.listCount(), 0);
}

void TestVersionCheck::fullFolderOf3000EntriesIsRead()
{
    UpdateWorld w;
    writeFile(w.inDistribution("VERSIONE.TXT"), "2.0.15\r\n");
    for (int i = 0; i < 2999; ++i)
        QFile(w.inDistribution(QStringLiteral("z%1").arg(i))).open(QIODevice::WriteOnly);
    QVERIFY(buildPe(w.inProgram("Corvane.exe"), "pe32").isEmpty());
    QVERIFY(w.startServer());
    ControllaVersioneProgramma(w.ctx);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.form.lblVerProgLocale.foreColour(), colour::Green);
}

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "test_versioncheck.moc"
