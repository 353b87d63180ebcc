// The faults seen in the field, each against pyftpdlib (with its fault
// switches) and against vsftpd: a short file never kept, published names up
// to the system's limit, names that are not UTF-8, the system's text for a
// full or read-only disk, part files of killed runs, and a proxy.
#include "base/error.h"
#include "base/paths.h"
#include "ftpfixture.h"
#include "ftpupdate/download.h"
#include "ftpupdate/ftpsteps.h"
#include "ftpupdate/texts.h"
#include "trustfixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <filesystem>
#include <fstream>

using namespace corvane;
using namespace corvane::test;

namespace {

// A tmpfs mounted over a folder for the length of a test (root only).
struct Mount
{
    QString folder;
    bool mounted = false;
    Mount(const QString& path, const QString& options) : folder(path)
    {
        mounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", path}) == 0;
    }
    bool remountReadOnly() { return QProcess::execute("mount", {"-o", "remount,ro", folder}) == 0; }
    ~Mount()
    {
        if (mounted) QProcess::execute("umount", {folder});
    }
};

// vsftpd serving the world's server root, logged in and in the distribution folder.
struct VsftpdSession
{
    VsftpdServer server;
    QTemporaryDir work;
    std::unique_ptr<FtpSession> ftp;
    QString folder;
    QString start(UpdateWorld& w, const QStringList& extraLines = {})
    {
        if (const QString error =
                server.start({w.serverRoot, {}, {}, false, extraLines}, work.path());
            !error.isEmpty())
            return error;
        ftp = std::make_unique<FtpSession>(w.port, server.anonymousSettings());
        if (ftp->login() != FtpSession::Login::Ok) return ftp->lastError();
        folder = ftp->changeFolder("/distributori/CORVANE");
        return {};
    }
    bool fetch(UpdateWorld& w, const QString& name, const QString& local)
    {
        return ScaricaFileFtp(w.ctx, *ftp, remotePathOf(folder, name), w.inProgram(local));
    }
};

#define SKIP_WITHOUT_VSFTPD()                                                                      \
    if (const QString why = VsftpdServer::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why))

void publishExecutables(UpdateWorld& w)
{
    QVERIFY(buildPe(w.inDistribution("CORVANE.EXE"), "pe32",
                    {"--file-version", "2,0,0,15", "--padding", "300000"})
                .isEmpty());
    writeFile(w.inDistribution("VERSIONE.TXT"), "2.0.15\r\n");
    QVERIFY(buildPe(w.inProgram("Corvane.exe"), "pe32", {"--file-version", "2,0,0,14"}).isEmpty());
    w.form.lblVerProgDashmoor.setCaption("2.0.15");
    w.form.lblVerProgLocale.setCaption("2.0.14");
}

// Files named by raw bytes, beyond what QFile can name.
std::filesystem::path named(const QString& folder, const QByteArray& name)
{
    return toFsPath(folder) / std::filesystem::path(name.toStdString());
}

void writeNamed(const QString& folder, const QByteArray& name, const QByteArray& content)
{
    std::ofstream out(named(folder, name), std::ios::binary);
    out.write(content.constData(), content.size());
}

QByteArray readNamed(const QString& folder, const QByteArray& name)
{
    std::ifstream in(named(folder, name), std::ios::binary);
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void shortFileIsNeverSwappedIn();
    void shortFileFromVsftpd();
    void longestNamesAreFetched_data();
    void longestNamesAreFetched();
    void namesKeepTheServersBytes_data();
    void namesKeepTheServersBytes();
    void writeFailuresSayWhy_data();
    void writeFailuresSayWhy();
    void leftoverPartFilesAreRemoved();
    void proxyFromTheEnvironment_data();
    void proxyFromTheEnvironment();
};

void TestFaults::shortFileIsNeverSwappedIn()
{
    // Neither SIZE nor MLST; the data connection closes after 4,000 bytes
    // and the server still replies 226: only the listing tells.
    UpdateWorld w;
    publishExecutables(w);
    const QByteArray old = readFile(w.inProgram("Corvane.exe"));
    const qint64 size = QFileInfo(w.inDistribution("CORVANE.EXE")).size();
    QVERIFY(w.startServer({"--no-size", "--no-mlst", "--cut-226", "CORVANE.EXE:4000"}));
    w.port.expectBox(ftptext::FtpError);
    w.port.expectBox(QStringLiteral("Transfer of /distributori/CORVANE/CORVANE.EXE cut short: 4000 "
                                    "of %1 bytes received")
                         .arg(size));

    cmdNuovaVer_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(readFile(w.inProgram("Corvane.exe")), old);
    QCOMPARE(w.programFiles(), QStringList{"Corvane.exe"});
}

void TestFaults::shortFileFromVsftpd()
{
    SKIP_WITHOUT_VSFTPD();
    // vsftpd announces the size; the file shrinks on the server while it is
    // being sent, slowly, so the transfer ends early.
    UpdateWorld w;
    writeFile(w.inDistribution("CORVANE.EXE"), binaryPayload(3'000'000, 31));
    const QByteArray old = binaryPayload(1000, 32);
    writeFile(w.inProgram("Corvane_Temp.exe"), old);
    VsftpdSession v;
    const QString error = v.start(w, {"anon_max_rate=1000000"});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    w.port.onYield = [&] {
        if (v.ftp->bytesReceived() > 300'000 &&
            QFileInfo(w.inDistribution("CORVANE.EXE")).size() > 400'000)
            QFile::resize(w.inDistribution("CORVANE.EXE"), 400'000);
    };
    QVERIFY_THROWS_EXCEPTION(Error, v.fetch(w, "CORVANE.EXE", "Corvane_Temp.exe"));
    QCOMPARE(readFile(w.inProgram("Corvane_Temp.exe")), old);
    QCOMPARE(w.programFiles(), QStringList{"Corvane_Temp.exe"});
}

void TestFaults::longestNamesAreFetched_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("length");
    QTest::newRow("pyftpdlib, 243 bytes") << "pyftpdlib" << 243;
    QTest::newRow("pyftpdlib, 255 bytes") << "pyftpdlib" << 255;
    QTest::newRow("vsftpd, 255 bytes") << "vsftpd" << 255;
}

void TestFaults::longestNamesAreFetched()
{
    QFETCH(QString, server);
    QFETCH(int, length);
    if (server == "vsftpd") SKIP_WITHOUT_VSFTPD();
    UpdateWorld w;
    publishExecutables(w);
    const QString name = QString(length - 4, QLatin1Char('L')) + ".dll";
    writeFile(w.inDistribution(name), binaryPayload(5000, 33));
    writeFile(w.inDistribution("zz-after.bin"), binaryPayload(10, 34));
    if (server == "vsftpd") {
        VsftpdSession v;
        const QString error = v.start(w);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(v.fetch(w, name, name));
    } else {
        QVERIFY(w.startServer());
        cmdNuovaVer_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        // The files after it and the executable's swap are not lost.
        QCOMPARE(readFile(w.inProgram("Corvane.exe")), readFile(w.inDistribution("CORVANE.EXE")));
        QVERIFY(QFileInfo::exists(w.inProgram("zz-after.bin")));
    }
    QCOMPARE(readFile(w.inProgram(name)), readFile(w.inDistribution(name)));
}

void TestFaults::namesKeepTheServersBytes_data()
{
    QTest::addColumn<QString>("server");
    QTest::newRow("pyftpdlib in Latin-1") << "pyftpdlib";
    QTest::newRow("vsftpd") << "vsftpd";
}

void TestFaults::namesKeepTheServersBytes()
{
    QFETCH(QString, server);
    if (server == "vsftpd") SKIP_WITHOUT_VSFTPD();
    UpdateWorld w;
    const QByteArray latin1 = "caf\xe9 menu.txt";
    const QByteArray content = binaryPayload(700, 35);
    writeNamed(w.distribution, latin1, content);
    // QTemporaryDir cannot remove what QString cannot name.
    const auto cleanUp = qScopeGuard([&] {
        std::filesystem::remove(named(w.distribution, latin1));
        std::filesystem::remove(named(w.program, latin1));
    });
    if (server == "vsftpd") {
        VsftpdSession v;
        const QString error = v.start(w);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QStringList names = v.ftp->listNames(v.folder).value_or(QStringList());
        QCOMPARE(names.size(), 1);
        QVERIFY(v.fetch(w, names.first(), names.first()));
    } else {
        publishExecutables(w);
        QVERIFY(w.startServer({"--raw-names"}));
        cmdNuovaVer_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    }
    QVERIFY(std::filesystem::exists(named(w.program, latin1)));
    QCOMPARE(readNamed(w.program, latin1), content);
}

void TestFaults::writeFailuresSayWhy_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("disk"); // full or read-only
    QTest::addColumn<QString>("text");
    QTest::newRow("pyftpdlib, full disk") << "pyftpdlib"
                                          << "full"
                                          << "No space left on device";
    QTest::newRow("pyftpdlib, read-only") << "pyftpdlib"
                                          << "read-only"
                                          << "Read-only file system";
    QTest::newRow("vsftpd, full disk") << "vsftpd"
                                       << "full"
                                       << "No space left on device";
}

void TestFaults::writeFailuresSayWhy()
{
    QFETCH(QString, server);
    QFETCH(QString, disk);
    QFETCH(QString, text);
    if (server == "vsftpd") SKIP_WITHOUT_VSFTPD();
    UpdateWorld w;
    Mount mount(w.program, "size=1m");
    if (!mount.mounted) QSKIP("mounting a small tmpfs needs root");
    publishExecutables(w);
    writeFile(w.inDistribution("big.bin"), binaryPayload(3 * 1024 * 1024, 36));
    const QByteArray old = readFile(w.inProgram("Corvane.exe"));
    if (disk == "read-only") QVERIFY(mount.remountReadOnly());
    if (server == "vsftpd") {
        VsftpdSession v;
        const QString error = v.start(w);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        try {
            v.fetch(w, "big.bin", "big.bin");
            QFAIL("the write did not fail");
        } catch (const Error& e) {
            QCOMPARE(e.description(), text);
        }
    } else {
        QVERIFY(w.startServer());
        w.port.expectBox(ftptext::FtpError);
        w.port.expectBox(text);
        cmdNuovaVer_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    }
    QCOMPARE(readFile(w.inProgram("Corvane.exe")), old);
    QVERIFY(w.programFiles().filter(".part").isEmpty());
}

void TestFaults::leftoverPartFilesAreRemoved()
{
    UpdateWorld w;
    publishExecutables(w);
    const QStringList leftovers{".corvane-Ab3dE9.part", ".CORVANE.EXE.x1Y2z3.part",
                                ".Novita della versione.txt.abcdef.part"};
    const QStringList kept{".corvane-abc.part", "notes.part", ".corvane-Ab3dE9.part.bak"};
    for (const QString& name : leftovers + kept)
        writeFile(w.inProgram(name), "left");
    QVERIFY(w.startServer());

    cmdNuovaVer_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QStringList expected = kept + QStringList{"Corvane.exe", "VERSIONE.TXT"};
    expected.sort();
    QCOMPARE(w.programFiles(), expected);
    for (const QString& name : leftovers)
        QVERIFY2(!w.log.lines.filter("Removed the partial file " + name).isEmpty(),
                 qPrintable(name));
}

void TestFaults::proxyFromTheEnvironment_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("variable");
    QTest::addColumn<bool>("bypassed"); // no_proxy names the server
    QTest::newRow("pyftpdlib, ftp_proxy") << "pyftpdlib"
                                          << "ftp_proxy" << false;
    QTest::newRow("pyftpdlib, ALL_PROXY") << "pyftpdlib"
                                          << "ALL_PROXY" << false;
    QTest::newRow("pyftpdlib, no_proxy") << "pyftpdlib"
                                         << "ftp_proxy" << true;
    QTest::newRow("vsftpd, ftp_proxy") << "vsftpd"
                                       << "ftp_proxy" << false;
}

void TestFaults::proxyFromTheEnvironment()
{
    QFETCH(QString, server);
    QFETCH(QString, variable);
    QFETCH(bool, bypassed);
    if (server == "vsftpd") SKIP_WITHOUT_VSFTPD();
    UpdateWorld w;
    publishExecutables(w);
    ConnectProxy proxy;
    const QString error = proxy.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    qputenv(variable.toLatin1(),
            QStringLiteral("http://127.0.0.1:%1").arg(proxy.port()).toLatin1());
    if (bypassed) qputenv("no_proxy", "127.0.0.1");
    int serverPort = 0;
    if (server == "vsftpd") {
        VsftpdSession v;
        const QString started = v.start(w);
        QVERIFY2(started.isEmpty(), qPrintable(started));
        serverPort = v.server.port();
        QVERIFY(v.fetch(w, "CORVANE.EXE", "Corvane_Temp.exe"));
    } else {
        QVERIFY(w.startServer());
        serverPort = w.server->port();
        cmdNuovaVer_Click(w.ctx);
    }
    qunsetenv(variable.toLatin1());
    qunsetenv("no_proxy");
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    const QStringList tunnels = proxy.tunnels();
    if (bypassed) {
        QCOMPARE(tunnels, QStringList{});
    } else {
        // The control connection, then one tunnel per data connection.
        QVERIFY2(tunnels.contains(QStringLiteral("CONNECT 127.0.0.1:%1").arg(serverPort)),
                 qPrintable(tunnels.join(", ")));
        QVERIFY2(tunnels.size() >= 2, qPrintable(tunnels.join(", ")));
    }
    QVERIFY(
        QFileInfo::exists(w.inProgram(server == "vsftpd" ? "Corvane_Temp.exe" : "Corvane.exe")));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
