// Measures, in one run on the same inputs:
//  - a 256 MiB file fetched over loopback by ScaricaFileFtp with the window's
//    yields (processEvents) against `curl -o`: throughput ratio;
//  - the longest pause of the event loop during that transfer and during a
//    stalled server;
//  - the bytes LeggiVersioneFile reads of a 200 MB executable.
#include "base/error.h"
#include "common/benchplatform.h"
#include "ftpupdate/ftpsteps.h"
#include "ftpupdate/pereader.h"
#include "support/ftptestserver.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace corvane;

namespace {

// The window's platform as far as a transfer sees it: yield runs the event
// loop; the longest time between two services is kept.
using FtpWorld = test::BasicWorld<BenchPlatform, EventLog>;

void writeRandom(const QString& path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    QByteArray block(4 << 20, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (qint64 done = 0; done < size; done += block.size()) {
        gen.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        f.write(block.constData(), qMin<qint64>(block.size(), size - done));
    }
}

// Seconds ScaricaFileFtp takes, and the longest event-loop pause meanwhile.
double fetchOurs(FtpWorld& world, const QString& name, bool expectFailure)
{
    Context& ctx = world.ctx;
    BenchPlatform& port = world.port;
    std::optional<UpdateServerSession> s = ApriSessioneFtp(ctx);
    if (!s) qFatal("no session");
    port.start();
    QElapsedTimer t;
    t.start();
    try {
        const bool ok = ScaricaFileFtp(ctx, *s->ftp, remotePathOf(s->currentDirectory, name),
                                       port.folder + "/" + name);
        if (!ok || expectFailure) qFatal("unexpected outcome of the transfer");
    } catch (const Error& e) {
        if (!expectFailure) qFatal("transfer failed: %s", qPrintable(e.description()));
    }
    port.mark();
    return t.elapsed() / 1000.0;
}

double fetchCurl(int port, const QString& name, const QString& out)
{
    QElapsedTimer t;
    t.start();
    const int rc =
        QProcess::execute("curl", {"-s", "-u", "plowde:@kvnrtx@", "-o", out,
                                   QStringLiteral("ftp://127.0.0.1:%1/").arg(port) +
                                       QStringLiteral("%2Fdistributori/CORVANE/") + name});
    if (rc != 0) qFatal("curl failed: %d", rc);
    return t.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 size = 256LL << 20;
    FtpWorld world;
    const QTemporaryDir& dir = world.dir;
    BenchPlatform& port = world.port;
    port.echoBoxes = true;
    if (qEnvironmentVariableIsSet("BENCH_FTP_GAPS")) port.reportGapsOverMs = 60;
    const QString root = dir.filePath("server");
    const QString dist = root + "/distributori/CORVANE";
    port.folder = dir.filePath("program");
    QDir().mkpath(dist);
    QDir().mkpath(port.folder);
    writeRandom(dist + "/big.bin", size);
    // Something for the event loop to do, as a window has: a 10 ms timer.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(10);

    test::FtpTestServer server(root);
    if (!server.start()) qFatal("FTP server: %s", qPrintable(server.errors()));
    qputenv("CORVANE_FTP_HOST", server.hostAndPort().toUtf8());

    double ours = 1e9, curl = 1e9;
    qint64 pause = 0;
    for (int round = 0; round < 2; ++round) {
        // Fresh targets: replacing a large file makes ext4 flush it at the
        // rename (or at curl's truncating open), which is the file system's
        // cost, not the transfer's.
        QFile::remove(dir.filePath("curl.bin"));
        QFile::remove(port.folder + "/big.bin");
        curl = qMin(curl, fetchCurl(server.port(), "big.bin", dir.filePath("curl.bin")));
        ours = qMin(ours, fetchOurs(world, "big.bin", false));
        pause = qMax(pause, static_cast<qint64>(port.longestGapMs));
    }
    if (QFileInfo(port.folder + "/big.bin").size() != size) qFatal("our copy has the wrong size");
    const double mib = size / double(1 << 20);
    std::printf("ftp transfer 256 MiB: ours %.0f MiB/s, curl -o %.0f MiB/s, ratio %.2f\n",
                mib / ours, mib / curl, curl / ours);
    std::printf("ftp longest event-loop pause during transfer: %lld ms\n",
                static_cast<long long>(pause));

    // A server that stops sending: the window keeps being serviced until the
    // stall time ends the transfer.
    test::FtpTestServer stalled(root, {"--stall", "big.bin:1000000"});
    if (!stalled.start()) qFatal("FTP server: %s", qPrintable(stalled.errors()));
    qputenv("CORVANE_FTP_HOST", stalled.hostAndPort().toUtf8());
    ftpTimeouts().stallSeconds = 3;
    const double stalledFor = fetchOurs(world, "big.bin", true);
    std::printf("ftp stalled server: ended after %.1f s, longest event-loop pause %lld ms\n",
                stalledFor, static_cast<long long>(port.longestGapMs));

    // The version of a 200 MB executable whose resource sits at its end.
    const QString exe = dir.filePath("large.exe");
    const QString built =
        test::buildPe(exe, "pe32", {"--padding", QString::number(200 * 1000 * 1000)});
    if (!built.isEmpty()) qFatal("cannot build the large executable: %s", qPrintable(built));
    qint64 bytesRead = 0;
    QElapsedTimer t;
    t.start();
    const InfoVersioneFile info = LeggiVersioneFile(port, exe, &bytesRead);
    std::printf(
        "version of a %.0f MB executable: %s, read %lld bytes (%.4f%% of the file) in %lld ms\n",
        QFileInfo(exe).size() / 1e6, qPrintable(info.VersioneFile),
        static_cast<long long>(bytesRead), 100.0 * bytesRead / QFileInfo(exe).size(),
        static_cast<long long>(t.elapsed()));
    return 0;
}
