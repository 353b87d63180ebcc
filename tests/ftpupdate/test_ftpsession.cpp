// The update-server session against a real FTP server: login outcomes, the
// reported folder, listings, binary transfers and transfers that go wrong.
#include "base/error.h"
#include "ftpfixture.h"
#include "ftpupdate/ftpsteps.h"
#include "ftpupdate/texts.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TestFtpSession : public QObject
{
    Q_OBJECT

private slots:
    void openingFails_data();
    void openingFails();
    void opensInDistributionFolder();
    void missingFolderLeavesTheLoginFolder();
    void listsNamesAsTheServerGivesThem_data();
    void listsNamesAsTheServerGivesThem();
    void listingLimit_data();
    void listingLimit();
    void fetchesBinaryFiles_data();
    void fetchesBinaryFiles();
    void refusedFileCreatesNothing();
    void shortenedTransferKeepsTheOldFile_data();
    void shortenedTransferKeepsTheOldFile();
    void stalledServerEndsWithErrorWhileEventsRun();
    void nestedCallIsRefused();
};

void TestFtpSession::openingFails_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("wrong password")
        << "password" << ftptext::ServerNotFound << ftptext::ServerNotFoundTitle;
    QTest::newRow("closed port") << "closed" << ftptext::ServerNotFound
                                 << ftptext::ServerNotFoundTitle;
    QTest::newRow("unknown host") << "unknown" << ftptext::NoInternet << ftptext::NoInternetTitle;
}

void TestFtpSession::openingFails()
{
    QFETCH(QString, how);
    QFETCH(QString, text);
    QFETCH(QString, title);
    UpdateWorld w;
    if (how == "password") QVERIFY(w.startServer({"--password", "other"}));
    if (how == "closed") useClosedUpdateServer();
    if (how == "unknown") w.useHost(QStringLiteral("no-such-host.invalid"));
    w.port.expectBox(text);

    QVERIFY(!ApriSessioneFtp(w.ctx));
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.first().title, title);
    QCOMPARE(w.port.boxes.first().style, style::Critical);
}

void TestFtpSession::opensInDistributionFolder()
{
    UpdateWorld w;
    QVERIFY(w.startServer());
    const std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    QCOMPARE(s->currentDirectory, QStringLiteral("/distributori/CORVANE"));
    QVERIFY(w.port.boxes.isEmpty());
    QVERIFY(w.port.yields >= 2);
}

void TestFtpSession::missingFolderLeavesTheLoginFolder()
{
    UpdateWorld w;
    QVERIFY(QDir(w.serverRoot + "/distributori").removeRecursively());
    writeFile(w.serverRoot + "/stray.bin", binaryPayload(10, 1));
    QVERIFY(w.startServer());
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    QCOMPARE(s->currentDirectory, QStringLiteral("/"));
    // Later steps address whatever folder the server reported.
    QCOMPARE(
        ElencaCartellaFtp(w.ctx, *s->ftp, s->currentDirectory, [](const QString&) { return true; }),
        1);
    QCOMPARE(w.form.ListFile.items(), QStringList{"stray.bin"});
}

void TestFtpSession::listsNamesAsTheServerGivesThem_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("accepted");
    QTest::newRow("empty folder") << QStringList{} << QStringList{} << 0 << QStringList{};
    QTest::newRow("empty folder refused")
        << QStringList{} << QStringList{"--empty-550"} << 0 << QStringList{};
    QTest::newRow("spaces kept") << QStringList{" lead.txt", "a b.dll", "trail.txt "}
                                 << QStringList{} << 3
                                 << QStringList{" lead.txt", "a b.dll", "trail.txt "};
    // The second spelling only in the listing: a folder of Windows holds one.
    QTest::newRow("filter counts every entry")
        << QStringList{"VERSIONE.TXT", "x.bin"} << QStringList{"--extra-name", "versione.txt"} << 3
        << QStringList{"VERSIONE.TXT"};
    QTest::newRow("hostile names are listed as given")
        << QStringList{"ok.bin"} << QStringList{"--extra-name", "../evil", "--extra-name", "C:\\x"}
        << 3 << QStringList{"ok.bin", "../evil", "C:\\x"};
}

void TestFtpSession::listsNamesAsTheServerGivesThem()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, switches);
    QFETCH(int, count);
    QFETCH(QStringList, accepted);
    UpdateWorld w;
    for (const QString& f : files)
        writeFile(w.inDistribution(f), binaryPayload(3, 2));
    QVERIFY(w.startServer(switches));
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    w.form.ListFile.addItem("kept");
    const int read =
        ElencaCartellaFtp(w.ctx, *s->ftp, s->currentDirectory, [&](const QString& name) {
            return name == ftptext::VersionFile || !files.contains("VERSIONE.TXT");
        });
    QCOMPARE(read, count);
    QCOMPARE(w.form.ListFile.items(), QStringList{"kept"} + accepted);
}

void TestFtpSession::listingLimit_data()
{
    QTest::addColumn<int>("entries");
    QTest::newRow("3000 entries") << 3000;
    QTest::newRow("3001 entries") << 3001;
}

void TestFtpSession::listingLimit()
{
    QFETCH(int, entries);
    UpdateWorld w;
    for (int i = 0; i < entries; ++i) {
        QFile f(w.inDistribution(QStringLiteral("f%1.bin").arg(i, 4, 10, QLatin1Char('0'))));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(w.startServer());
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    const auto none = [](const QString&) { return false; };
    if (entries <= kMaxListedEntries) {
        QCOMPARE(ElencaCartellaFtp(w.ctx, *s->ftp, s->currentDirectory, none), entries);
    } else {
        QVERIFY_THROWS_EXCEPTION(Error,
                                 ElencaCartellaFtp(w.ctx, *s->ftp, s->currentDirectory, none));
    }
}

void TestFtpSession::fetchesBinaryFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("switches");
    QTest::newRow("with SIZE") << "CORVANE.EXE" << 3 * 1024 * 1024 + 17 << QStringList{};
    QTest::newRow("without SIZE") << "CORVANE.EXE" << 700 * 1024 << QStringList{"--no-size"};
    QTest::newRow("without SIZE or MLST")
        << "x.bin" << 5000 << QStringList{"--no-size", "--no-mlst"};
    QTest::newRow("empty file") << "empty.bin" << 0 << QStringList{};
    QTest::newRow("exactly one block") << "block.bin" << 1024 << QStringList{};
    QTest::newRow("name with spaces") << "nuova versione.dll" << 4097 << QStringList{};
}

void TestFtpSession::fetchesBinaryFiles()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(QStringList, switches);
    UpdateWorld w;
    const QByteArray payload = binaryPayload(size, 7);
    writeFile(w.inDistribution(name), payload);
    // A longer file of an earlier run: afterwards only the new bytes remain.
    writeFile(w.inProgram(name), binaryPayload(size + 5000, 8));
    QVERIFY(w.startServer(switches));
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    QVERIFY(
        ScaricaFileFtp(w.ctx, *s->ftp, remotePathOf(s->currentDirectory, name), w.inProgram(name)));
    QCOMPARE(readFile(w.inProgram(name)), payload);
    QCOMPARE(w.programFiles(), QStringList{name}); // no partial file left beside it
    QVERIFY(w.log.lines.last().contains(QString::number(size)));
}

void TestFtpSession::refusedFileCreatesNothing()
{
    UpdateWorld w;
    writeFile(w.inDistribution("locked.bin"), binaryPayload(100, 3));
    QVERIFY(w.startServer({"--refuse", "locked.bin"}));
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    QVERIFY(!ScaricaFileFtp(w.ctx, *s->ftp, remotePathOf(s->currentDirectory, "locked.bin"),
                            w.inProgram("locked.bin")));
    QVERIFY(!ScaricaFileFtp(w.ctx, *s->ftp, remotePathOf(s->currentDirectory, "absent.bin"),
                            w.inProgram("absent.bin")));
    QCOMPARE(w.programFiles(), QStringList{});
    // The session is still usable after refusals.
    writeFile(w.inDistribution("ok.bin"), binaryPayload(10, 4));
    QVERIFY(ScaricaFileFtp(w.ctx, *s->ftp, remotePathOf(s->currentDirectory, "ok.bin"),
                           w.inProgram("ok.bin")));
}

void TestFtpSession::shortenedTransferKeepsTheOldFile_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::newRow("226 with SIZE") << QStringList{"--cut-226", "CORVANE.EXE:300000"};
    QTest::newRow("226 without SIZE")
        << QStringList{"--cut-226", "CORVANE.EXE:300000", "--no-size"};
    QTest::newRow("426 with SIZE") << QStringList{"--cut-426", "CORVANE.EXE:300000"};
    QTest::newRow("426 without SIZE")
        << QStringList{"--cut-426", "CORVANE.EXE:300000", "--no-size"};
    QTest::newRow("nothing sent, 226") << QStringList{"--cut-226", "CORVANE.EXE:0"};
}

void TestFtpSession::shortenedTransferKeepsTheOldFile()
{
    QFETCH(QStringList, switches);
    UpdateWorld w;
    writeFile(w.inDistribution("CORVANE.EXE"), binaryPayload(1024 * 1024, 5));
    const QByteArray old = binaryPayload(2000, 6);
    writeFile(w.inProgram("Corvane_Temp.exe"), old);
    QVERIFY(w.startServer(switches));
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    QVERIFY_THROWS_EXCEPTION(Error, ScaricaFileFtp(w.ctx, *s->ftp,
                                                   remotePathOf(s->currentDirectory, "CORVANE.EXE"),
                                                   w.inProgram("Corvane_Temp.exe")));
    QCOMPARE(readFile(w.inProgram("Corvane_Temp.exe")), old);
    QCOMPARE(w.programFiles(), QStringList{"Corvane_Temp.exe"});
}

void TestFtpSession::stalledServerEndsWithErrorWhileEventsRun()
{
    UpdateWorld w;
    writeFile(w.inDistribution("CORVANE.EXE"), binaryPayload(2 * 1024 * 1024, 9));
    QVERIFY(w.startServer({"--stall", "CORVANE.EXE:100000"}));
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    clock.start();
    w.port.onYield = [&] {
        longestGap = qMax(longestGap, clock.elapsed() - last);
        last = clock.elapsed();
    };
    QVERIFY_THROWS_EXCEPTION(Error, ScaricaFileFtp(w.ctx, *s->ftp,
                                                   remotePathOf(s->currentDirectory, "CORVANE.EXE"),
                                                   w.inProgram("Corvane_Temp.exe")));
    // Given up after the stall time (2 s here), with the window serviced meanwhile.
    QVERIFY2(clock.elapsed() >= 1500 && clock.elapsed() < 15000,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
    QVERIFY(w.port.yields >= 20);
    QCOMPARE(w.programFiles(), QStringList{});
}

void TestFtpSession::nestedCallIsRefused()
{
    UpdateWorld w;
    const QByteArray payload = binaryPayload(512 * 1024, 10);
    writeFile(w.inDistribution("big.bin"), payload);
    writeFile(w.inDistribution("small.bin"), binaryPayload(10, 11));
    // Slowed down so that the transfer spans several event services.
    QVERIFY(w.startServer({"--rate", "200000"}));
    std::optional<UpdateServerSession> s = ApriSessioneFtp(w.ctx);
    QVERIFY(s);
    int refused = 0;
    int attempts = 0;
    w.port.onYield = [&] {
        ++attempts;
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        try {
            s->ftp->fetch(remotePathOf(s->currentDirectory, "small.bin"), sink);
        } catch (const Error&) {
            ++refused;
        }
    };
    QVERIFY(ScaricaFileFtp(w.ctx, *s->ftp, remotePathOf(s->currentDirectory, "big.bin"),
                           w.inProgram("big.bin")));
    w.port.onYield = nullptr;
    QVERIFY(attempts > 0);
    QCOMPARE(refused, attempts);
    QCOMPARE(readFile(w.inProgram("big.bin")), payload);
}

QTEST_GUILESS_MAIN(TestFtpSession)
#include "test_ftpsession.moc"
