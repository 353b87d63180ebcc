// The texts and the crypto under the trusted update: names kept as bytes,
// the manifest's form, sizes read from a listing, SHA-256 computed beside the
// transfer, and Ed25519 as another implementation (python3-cryptography) sees it.
#include "base/error.h"
#include "base/paths.h"
#include "base/rawbytes.h"
#include "ftpfixture.h"
#include "ftpupdate/ed25519.h"
#include "ftpupdate/ftplisting.h"
#include "ftpupdate/manifest.h"
#include "ftpupdate/sha256.h"
#include "support/hostprocess.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

// Text that holds lone surrogates, which a literal cannot.
QString units(std::initializer_list<char16_t> codes)
{
    return QString(reinterpret_cast<const QChar*>(codes.begin()), qsizetype(codes.size()));
}

} // namespace

class TestManifest : public QObject
{
    Q_OBJECT

private slots:
    void namesKeepTheirBytes_data();
    void namesKeepTheirBytes();
    void manifestText_data();
    void manifestText();
    void sizeInListing_data();
    void sizeInListing();
    void hashBesideTheTransfer_data();
    void hashBesideTheTransfer();
    void waitingForTheHashServicesTheCaller();
    void signaturesAsAnotherImplementationSeesThem();
};

void TestManifest::namesKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("CORVANE.EXE") << "CORVANE.EXE";
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9.txt") << QStringLiteral("caf\u00e9.txt");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.txt") << "caf" + units({0xDCE9}) + ".txt";
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf") << "a" + units({0xDCC0, 0xDCAF});
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << units({0xDCED, 0xDCA0, 0xDC80});
    QTest::newRow("sequence cut at the end")
        << QByteArray("a\xe2\x82") << "a" + units({0xDCE2, 0xDC82});
    QTest::newRow("four bytes, then a stray byte")
        << QByteArray("\xf0\x9f\x98\x80\xff") << units({0xD83D, 0xDE00, 0xDCFF});
}

void TestManifest::namesKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(fromRawBytes(bytes), text);
    QCOMPARE(toRawBytes(text), bytes);
#ifndef Q_OS_WIN // Windows names files in UTF-16 code units, not bytes
    // A file is created under the same bytes.
    QCOMPARE(QByteArray::fromStdString(toFsPath(text).string()), bytes);
#endif
    QCOMPARE(fromFsPath(toFsPath(text)), text);
}

void TestManifest::manifestText_data()
{
    const QByteArray header = "CorvaneUpdate manifest 1\n";
    const QByteArray a = QByteArray(64, 'a');
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error"); // empty: accepted and written back the same
    QTest::newRow("two files") << header + a + " 0  lead space\xe9\n" + a + " 3 CORVANE.EXE\n"
                               << "";
    QTest::newRow("no files") << header << "";
    QTest::newRow("no header") << a + " 3 x\n"
                               << "riga 1";
    QTest::newRow("no final line feed") << header + a + " 3 x"
                                        << "riga 1";
    QTest::newRow("short digest") << header + a.left(63) + " 3 x\n"
                                  << "riga 2";
    QTest::newRow("upper-case digest") << header + a.toUpper() + " 3 x\n"
                                       << "riga 2";
    QTest::newRow("negative size") << header + a + " -3 x\n"
                                   << "riga 2";
    QTest::newRow("no name") << header + a + " 3\n"
                             << "riga 2";
    QTest::newRow("empty name") << header + a + " 3 \n"
                                << "riga 2";
    QTest::newRow("name with CR") << header + a + " 3 x\r\n"
                                  << "riga 2";
    QTest::newRow("same name twice") << header + a + " 3 x\n" + a + " 4 x\n"
                                     << "riga 3";
    QTest::newRow("out of order") << header + a + " 3 y\n" + a + " 4 x\n"
                                  << "riga 3";
}

void TestManifest::manifestText()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    try {
        const Manifest manifest = Manifest::parse(text);
        QVERIFY2(error.isEmpty(), "accepted");
        QCOMPARE(manifest.text(), text);
    } catch (const Error& e) {
        QVERIFY2(!error.isEmpty() && e.description().startsWith(error),
                 qPrintable(e.description()));
    }
}

void TestManifest::sizeInListing_data()
{
    const QByteArray unix =
        "-rw-r--r--   1 root     root        303072 Dec 08 10:10 CORVANE.EXE\r\n"
        "-rw-r--r--   1 root     root             7 Dec 08 10:10  lead.txt\r\n"
        "-rw-r--r--   1 ftp      ftp             12 Jan 01  2024 a b.txt\r\n"
        "drwxr-xr-x   2 root     root          4096 Dec 08 10:10 folder\r\n"
        "-rw-r--r--   1 root            5 Dec 08 10:10 caf\xe9.txt\r\n";
    const QByteArray dos = "12-08-24  10:10AM               303072 CORVANE.EXE\r\n"
                           "12-08-24  10:10AM       <DIR>          folder\r\n";
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<qint64>("size"); // -1: none
    QTest::newRow("Unix") << unix << QByteArray("CORVANE.EXE") << qint64(303072);
    QTest::newRow("leading space in the name") << unix << QByteArray(" lead.txt") << qint64(7);
    QTest::newRow("not the name with one space less")
        << unix << QByteArray("lead.txt") << qint64(-1);
    QTest::newRow("year instead of time, space in name")
        << unix << QByteArray("a b.txt") << qint64(12);
    QTest::newRow("the tail of another name") << unix << QByteArray("b.txt") << qint64(-1);
    QTest::newRow("a folder") << unix << QByteArray("folder") << qint64(-1);
    QTest::newRow("no group, Latin-1 name") << unix << QByteArray("caf\xe9.txt") << qint64(5);
    QTest::newRow("absent") << unix << QByteArray("x.bin") << qint64(-1);
    QTest::newRow("DOS") << dos << QByteArray("CORVANE.EXE") << qint64(303072);
    QTest::newRow("DOS folder") << dos << QByteArray("folder") << qint64(-1);
}

void TestManifest::sizeInListing()
{
    QFETCH(QByteArray, listing);
    QFETCH(QByteArray, name);
    QFETCH(qint64, size);
    QCOMPARE(corvane::sizeInListing(listing, name).value_or(-1), size);
}

void TestManifest::hashBesideTheTransfer_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("write"); // bytes written at a time
    QTest::addColumn<int>("step");  // bytes the hashing thread takes at a time
    QTest::newRow("nothing") << QByteArray() << 1 << (4 << 20);
    QTest::newRow("abc") << QByteArray("abc") << 1 << (4 << 20);
    QTest::newRow("one step less a byte") << binaryPayload((1 << 20) - 1, 1) << 4096 << (1 << 20);
    QTest::newRow("one step") << binaryPayload(1 << 20, 2) << (1 << 20) << (1 << 20);
    QTest::newRow("steps and a byte, odd writes")
        << binaryPayload((9 << 20) + 1, 3) << 7777 << (1 << 20);
    QTest::newRow("steps not on a page boundary")
        << binaryPayload(3 << 20, 4) << (512 << 10) << 100003;
    QTest::newRow("writes larger than a step")
        << binaryPayload(40 << 20, 5) << (3 << 20) << (1 << 20);
}

void TestManifest::hashBesideTheTransfer()
{
    QFETCH(QByteArray, data);
    QFETCH(int, write);
    QFETCH(int, step);
    QTemporaryFile part;
    QVERIFY(part.open());
    WrittenFileSha256 hash(part, {}, step);
    for (qsizetype at = 0; at < data.size(); at += write) {
        const qsizetype size = qMin<qsizetype>(write, data.size() - at);
        QCOMPARE(part.write(data.constData() + at, size), size);
        QVERIFY(part.flush());
        hash.written(at + size);
    }
    const QByteArray digest = hash.result();
    QCOMPARE(digest, Sha256::of(data));
    if (data == "abc") // FIPS 180-2, appendix B.1
        QCOMPARE(digest.toHex(),
                 "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

void TestManifest::waitingForTheHashServicesTheCaller()
{
    // Steps of 64 MiB take any core well over the 10 ms a wait may last
    // before the caller is called back (its window's events).
    const QByteArray data = binaryPayload(128 << 20, 5);
    QTemporaryFile part;
    QVERIFY(part.open());
    int callbacks = 0;
    WrittenFileSha256 hash(
        part, [&] { ++callbacks; }, 64 << 20);
    QCOMPARE(part.write(data), data.size());
    QVERIFY(part.flush());
    hash.written(data.size());
    const QByteArray digest = hash.result(); // before anything else takes the time
    QVERIFY2(callbacks > 0, "never called back while waiting");
    QCOMPARE(digest, Sha256::of(data));
}

void TestManifest::signaturesAsAnotherImplementationSeesThem()
{
    // python3-cryptography checks our signature and signs with our key; we
    // check its signature. Both sides must agree on RFC 8032.
    const ed25519::KeyPair pair = ed25519::generate();
    QCOMPARE(ed25519::publicKeyOf(pair.secret), pair.publicKey);
    const QByteArray message = "CorvaneUpdate manifest 1\n" + binaryPayload(300, 9);
    const QByteArray ours = ed25519::sign(pair.secret, message);
    const char* script = R"(
import sys
from cryptography.hazmat.primitives.asymmetric.ed25519 import Ed25519PrivateKey, Ed25519PublicKey
secret, public, message, signature = (bytes.fromhex(x) for x in sys.argv[1:5])
Ed25519PublicKey.from_public_bytes(public).verify(signature, message)
print(Ed25519PrivateKey.from_private_bytes(secret).sign(message).hex())
)";
    const HostRun python =
        runOnHost(QStringLiteral(CORVANE_SYSTEM_PYTHON),
                  {"-c", script, QString::fromLatin1(pair.secret.toHex()),
                   QString::fromLatin1(pair.publicKey.toHex()),
                   QString::fromLatin1(message.toHex()), QString::fromLatin1(ours.toHex())},
                  30000);
    QVERIFY2(python.finished, qPrintable(python.error));
    QVERIFY2(python.exitCode == 0, python.err.constData());
    const QByteArray theirs = QByteArray::fromHex(python.out.trimmed());
    QVERIFY(ed25519::verify(pair.publicKey, message, theirs));

    QByteArray changed = message;
    changed[30] = char(changed[30] ^ 1);
    QVERIFY(!ed25519::verify(pair.publicKey, changed, ours));
    QVERIFY(!ed25519::verify(ed25519::generate().publicKey, message, ours));
    QVERIFY(!ed25519::verify(pair.publicKey, message, ours.left(63)));
    QVERIFY(!ed25519::verify(pair.publicKey.left(31), message, ours));
}

QTEST_GUILESS_MAIN(TestManifest)
#include "test_manifest.moc"
