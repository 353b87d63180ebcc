// The executable version reader on real PE32 and PE32+ files built by
// binutils-mingw-w64, on damaged copies, and against python3-pefile.
#include "base/buildconfig.h"
#include "ftpfixture.h"
#include "ftpupdate/peparser.h"
#include "ftpupdate/pereader.h"
#include "support/hostprocess.h"
#include "support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

std::optional<pe::FixedFileInfo> parseBytes(const QByteArray& bytes)
{
    const pe::ReadAt read = [&bytes](uint64_t offset, void* buffer, size_t size) {
        if (offset > uint64_t(bytes.size()) || size > uint64_t(bytes.size()) - offset) return false;
        std::memcpy(buffer, bytes.constData() + offset, size);
        return true;
    };
    return pe::readFixedFileInfo(read, uint64_t(bytes.size()));
}

} // namespace

class TestPeReader : public QObject
{
    Q_OBJECT

private slots:
    void readsTheVersionBlock_data();
    void readsTheVersionBlock();
    void filesWithoutVersionGiveTheEmptyRecord_data();
    void filesWithoutVersionGiveTheEmptyRecord();
    void damagedCopiesNeverCrashOrComplain();
    void readsOnlyHeadersAndResource();
    void agreesWithPefile_data();
    void agreesWithPefile();
    void ownExecutableCarriesTheProgramVersion();

private:
    QTemporaryDir m_dir;
};

void TestPeReader::readsTheVersionBlock_data()
{
    QTest::addColumn<QString>("arch");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("expected"); // file version, product version, OS, type
    const QString nt = QStringLiteral("NT-Win32");
    QTest::newRow("32-bit application")
        << "pe32" << QStringList{} << QStringList{"2.0.0.15", "2.0.0.15", nt, "EXE "};
    QTest::newRow("64-bit application")
        << "pe32plus" << QStringList{} << QStringList{"2.0.0.15", "2.0.0.15", nt, "EXE "};
    QTest::newRow("product version of its own")
        << "pe32" << QStringList{"--file-version", "1,2,3,4", "--product-version", "5,6,7,8"}
        << QStringList{"1.2.3.4", "5.6.7.8", nt, "EXE "};
    QTest::newRow("large components")
        << "pe32plus" << QStringList{"--file-version", "40000,65535,0,1"}
        << QStringList{"40000.65535.0.1", "2.0.0.15", nt, "EXE "};
    QTest::newRow("printer driver")
        << "pe32" << QStringList{"--file-type", "3", "--file-subtype", "1"}
        << QStringList{"2.0.0.15", "2.0.0.15", nt, "Driver Printer drv"};
    QTest::newRow("driver of unknown kind")
        << "pe32" << QStringList{"--file-type", "3", "--file-subtype", "0"}
        << QStringList{"2.0.0.15", "2.0.0.15", nt, "Driver Sconosciuto"};
    QTest::newRow("comm driver") << "pe32plus"
                                 << QStringList{"--file-type", "3", "--file-subtype", "10"}
                                 << QStringList{"2.0.0.15", "2.0.0.15", nt, "Driver Comm drv"};
    QTest::newRow("driver sub-type 11")
        << "pe32" << QStringList{"--file-type", "3", "--file-subtype", "11"}
        << QStringList{"2.0.0.15", "2.0.0.15", nt, "Driver "};
    QTest::newRow("sub-type ignored for a DLL")
        << "pe32" << QStringList{"--file-type", "2", "--file-subtype", "4"}
        << QStringList{"2.0.0.15", "2.0.0.15", nt, "DLL "};
    QTest::newRow("font") << "pe32" << QStringList{"--file-type", "4"}
                          << QStringList{"2.0.0.15", "2.0.0.15", nt, "Font "};
    QTest::newRow("VxD") << "pe32" << QStringList{"--file-type", "5"}
                         << QStringList{"2.0.0.15", "2.0.0.15", nt, "VxD "};
    QTest::newRow("type 6") << "pe32" << QStringList{"--file-type", "6"}
                            << QStringList{"2.0.0.15", "2.0.0.15", nt, "Sconosciuto "};
    QTest::newRow("static library") << "pe32" << QStringList{"--file-type", "7"}
                                    << QStringList{"2.0.0.15", "2.0.0.15", nt, "Lib "};
    QTest::newRow("type 0") << "pe32" << QStringList{"--file-type", "0"}
                            << QStringList{"2.0.0.15", "2.0.0.15", nt, "Sconosciuto "};
    QTest::newRow("DOS-Win16") << "pe32" << QStringList{"--file-os", "0x10001"}
                               << QStringList{"2.0.0.15", "2.0.0.15", "DOS-Win16", "EXE "};
    QTest::newRow("DOS-Win32") << "pe32" << QStringList{"--file-os", "0x10004"}
                               << QStringList{"2.0.0.15", "2.0.0.15", "DOS-Win32", "EXE "};
    QTest::newRow("OS/2 PM-16") << "pe32" << QStringList{"--file-os", "0x20002"}
                                << QStringList{"2.0.0.15", "2.0.0.15", "OS/2-16 PM-16", "EXE "};
    QTest::newRow("OS/2 PM-32") << "pe32" << QStringList{"--file-os", "0x30003"}
                                << QStringList{"2.0.0.15", "2.0.0.15", "OS/2-16 PM-32", "EXE "};
    QTest::newRow("NT without Windows")
        << "pe32" << QStringList{"--file-os", "0x40000"}
        << QStringList{"2.0.0.15", "2.0.0.15", "Non specificato", "EXE "};
}

void TestPeReader::readsTheVersionBlock()
{
    QFETCH(QString, arch);
    QFETCH(QStringList, options);
    QFETCH(QStringList, expected);
    const QString path =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace('/', '_') + ".exe");
    const QString error = buildPe(path, arch, options);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    ScriptedPlatform port;
    const InfoVersioneFile info = LeggiVersioneFile(port, path);
    QCOMPARE((QStringList{info.VersioneFile, info.VersioneProdotto, info.SistemaOperativo,
                          info.TipoFile}),
             expected);
    QVERIFY(port.boxes.isEmpty());
}

void TestPeReader::filesWithoutVersionGiveTheEmptyRecord_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("no resources") << "no resources";
    QTest::newRow("resources, no version") << "no version";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("text file") << "text";
    QTest::newRow("Linux executable") << "elf";
    QTest::newRow("folder") << "folder";
}

void TestPeReader::filesWithoutVersionGiveTheEmptyRecord()
{
    QFETCH(QString, kind);
    const QString path = m_dir.filePath("empty-" + kind.replace(' ', '-') + ".exe");
    if (kind == "no-resources") QVERIFY(buildPe(path, "pe32plus", {"--no-resources"}).isEmpty());
    if (kind == "no-version") QVERIFY(buildPe(path, "pe32", {"--no-version"}).isEmpty());
    if (kind == "empty") writeFile(path, {});
    if (kind == "text") writeFile(path, "MZ but nothing else\r\n");
    if (kind == "elf") QVERIFY(QFile::copy("/bin/sleep", path));
    if (kind == "folder") QVERIFY(QDir().mkpath(path));
    ScriptedPlatform port;
    QCOMPARE(LeggiVersioneFile(port, path), InfoVersioneFile{});
    QVERIFY(port.boxes.isEmpty());
}

// Every truncation and every single-byte corruption of the headers and of the
// resource tree: the reader stays within the file and says nothing.
void TestPeReader::damagedCopiesNeverCrashOrComplain()
{
    const QString path = m_dir.filePath("damaged-source.exe");
    QVERIFY(buildPe(path, "pe32", {"--file-version", "3,1,4,1"}).isEmpty());
    const QByteArray good = readFile(path);
    QVERIFY(parseBytes(good));
    const qsizetype signature = good.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4));
    QVERIFY(signature > 0);

    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        const std::optional<pe::FixedFileInfo> info = parseBytes(good.left(cut));
        // Only a cut after the version block may still give it, and then whole.
        if (info) QCOMPARE(info->fileVersionMS, 0x00030001u);
        if (cut < signature + 52) QVERIFY2(!info, qPrintable(QString::number(cut)));
    }
    int stillRead = 0;
    for (qsizetype at = 0; at < good.size(); ++at) {
        QByteArray bad = good;
        bad[at] = char(bad[at] ^ 0xA5);
        const std::optional<pe::FixedFileInfo> info = parseBytes(bad);
        if (info && info->signature == pe::kFixedFileInfoSignature) ++stillRead;
        if (at >= signature && at < signature + 4) QVERIFY(!info);
    }
    QVERIFY(stillRead > 0); // bytes outside the path to the block do not matter
    // And through the file API, a truncated copy is silent.
    const QString truncated = m_dir.filePath("truncated.exe");
    writeFile(truncated, good.left(signature + 20));
    ScriptedPlatform port;
    QCOMPARE(LeggiVersioneFile(port, truncated), InfoVersioneFile{});
    QVERIFY(port.boxes.isEmpty());
}

void TestPeReader::readsOnlyHeadersAndResource()
{
    const QString path = m_dir.filePath("large.exe");
    QVERIFY(buildPe(path, "pe32plus", {"--padding", QString::number(16 * 1024 * 1024)}).isEmpty());
    QVERIFY(QFileInfo(path).size() > 16 * 1024 * 1024);
    ScriptedPlatform port;
    qint64 bytesRead = -1;
    QCOMPARE(LeggiVersioneFile(port, path, &bytesRead).VersioneFile, QStringLiteral("2.0.0.15"));
    QVERIFY2(bytesRead > 0 && bytesRead < 16 * 1024, qPrintable(QString::number(bytesRead)));
}

void TestPeReader::agreesWithPefile_data()
{
    QTest::addColumn<QString>("arch");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("PE32") << "pe32"
                          << QStringList{"--file-version", "9,8,7,6", "--product-version",
                                         "1,0,0,2"};
    QTest::newRow("PE32+ driver") << "pe32plus"
                                  << QStringList{"--file-type", "3",         "--file-subtype",
                                                 "7",           "--file-os", "0x10004"};
}

void TestPeReader::agreesWithPefile()
{
    QFETCH(QString, arch);
    QFETCH(QStringList, options);
    const QString path = m_dir.filePath("pefile-" + arch + ".exe");
    QVERIFY(buildPe(path, arch, options).isEmpty());
    const HostRun python =
        runOnHost(QStringLiteral(CORVANE_SYSTEM_PYTHON),
                  {"-c",
                   "import pefile,sys\n"
                   "v = pefile.PE(sys.argv[1]).VS_FIXEDFILEINFO[0]\n"
                   "print(v.FileVersionMS, v.FileVersionLS, v.ProductVersionMS, v.ProductVersionLS,"
                   " v.FileOS, v.FileType, v.FileSubtype)",
                   hostPath(path)},
                  30000);
    QVERIFY2(python.finished, qPrintable(python.error));
    QCOMPARE(python.exitCode, 0);
    const std::optional<pe::FixedFileInfo> f = parseBytes(readFile(path));
    QVERIFY(f);
    const QString ours = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                             .arg(f->fileVersionMS)
                             .arg(f->fileVersionLS)
                             .arg(f->productVersionMS)
                             .arg(f->productVersionLS)
                             .arg(f->fileOS)
                             .arg(f->fileType)
                             .arg(f->fileSubtype);
    QCOMPARE(ours, QString::fromLatin1(python.out).trimmed());
}

// The Windows build's resource says the version the program reports.
void TestPeReader::ownExecutableCarriesTheProgramVersion()
{
    const QByteArray exe = readFile(QStringLiteral(CORVANE_UPDATE_BINARY));
    if (!exe.startsWith("MZ")) QSKIP("not a Windows build: the program is no PE file");
    const std::optional<pe::FixedFileInfo> f = parseBytes(exe);
    QVERIFY(f);
    QCOMPARE(f->fileVersionMS, (uint32_t(build::versionMajor) << 16) | build::versionMinor);
    QCOMPARE(f->fileVersionLS, uint32_t(build::versionPatch) << 16);
    QCOMPARE(f->productVersionMS, f->fileVersionMS);
    QCOMPARE(f->productVersionLS, f->fileVersionLS);
}

QTEST_GUILESS_MAIN(TestPeReader)
#include "test_pereader.moc"
