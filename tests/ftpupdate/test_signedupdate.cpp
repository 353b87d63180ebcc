// The download run with the maker's signed manifest, against real servers:
// a folder signed by corvane-sign is installed; every kind of tampering is
// refused with a box that names the file and the reason, and Corvane.exe
// stays byte for byte as it was.
#include "ftpfixture.h"
#include "ftpupdate/download.h"
#include "ftpupdate/ftpsteps.h"
#include "ftpupdate/publishedfiles.h"
#include "ftpupdate/sha256.h"
#include "ftpupdate/texts.h"
#include "trustfixture.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString kRefused = ftptext::Refused;

// CORVANE.EXE 2.0.0.15, VERSIONE.TXT and a note published; Corvane.exe
// 2.0.0.14 in the program folder.
void publish(const QString& distribution, const QString& program)
{
    QVERIFY(
        buildPe(distribution + "/CORVANE.EXE", "pe32", {"--file-version", "2,0,0,15"}).isEmpty());
    writeFile(distribution + "/VERSIONE.TXT", "2.0.15\r\n");
    writeFile(distribution + "/Novita.txt", "Novita della versione 2.0.15\r\n");
    QVERIFY(buildPe(program + "/Corvane.exe", "pe32", {"--file-version", "2,0,0,14"}).isEmpty());
}

void flipByte(const QString& path, qsizetype at)
{
    QByteArray bytes = readFile(path);
    bytes[at] = char(bytes[at] ^ 0x40);
    writeFile(path, bytes);
}

// Signs the distribution folder with the key `keys`/publisher.key, then
// alters it as the situation says. Returns the public key the program is
// built with ("" for a build without one).
QByteArray prepare(const QString& situation, const QString& distribution, const QString& keys)
{
    const QByteArray key = makePublisherKey(keys);
    const QString secret = keys + "/publisher.key";
    const auto sign = [&](const QString& with) {
        const QString error = signTool({"sign", with, distribution});
        if (!error.isEmpty()) qFatal("%s", qPrintable(error));
    };
    if (situation.contains("another key")) {
        makePublisherKey(keys, "other");
        sign(keys + "/other.key");
    } else if (!situation.contains("no manifest")) {
        sign(secret);
    }
    const QString exe = distribution + "/CORVANE.EXE";
    if (situation.contains("file changed")) flipByte(exe, 100);
    if (situation.contains("file cut")) writeFile(exe, readFile(exe).left(1000));
    if (situation.contains("file added")) writeFile(distribution + "/extra.dll", "unsigned");
    if (situation.contains("manifest changed")) {
        // The whole attack: a new executable, and its true digest in the list.
        flipByte(exe, 100);
        const QString manifest = distribution + "/" + ftptext::Manifest;
        QByteArray text = readFile(manifest);
        const qsizetype line = text.indexOf(" CORVANE.EXE\n");
        const QByteArray digest = Sha256::of(readFile(exe)).toHex();
        text.replace(text.lastIndexOf('\n', line) + 1, 64, digest);
        writeFile(manifest, text);
    }
    if (situation.contains("manifest unreadable"))
        writeFile(distribution + "/" + ftptext::Manifest, "not a manifest\n");
    if (situation.contains("signature missing"))
        QFile::remove(distribution + "/" + ftptext::ManifestSignature);
    return situation.startsWith("key") ? key : QByteArray();
}

} // namespace

class TestSignedUpdate : public QObject
{
    Q_OBJECT

private slots:
    void downloadRun_data();
    void downloadRun();
    void vsftpdServesASignedFolder_data();
    void vsftpdServesASignedFolder();
};

void TestSignedUpdate::downloadRun_data()
{
    const QString signedFile = ftptext::FileNotSigned.arg("CORVANE.EXE") + "\r\n\r\n";
    const QString listedFile = ftptext::FileNotAsListed.arg("CORVANE.EXE") + "\r\n\r\n";
    const QString badSignature = ftptext::SignatureInvalid.arg(ftptext::Manifest) + "\r\n\r\n" +
                                 ftptext::SignatureInvalidWhy;
    QTest::addColumn<QString>("situation"); // "key ..." for a build with the publisher key
    QTest::addColumn<QString>("box");       // after "Aggiornamento rifiutato: "; "" for none
    QTest::newRow("signed folder") << "key, signed"
                                   << "";
    QTest::newRow("file changed after signing")
        << "key, file changed" << signedFile + "L'impronta SHA-256 dei byte ricevuti";
    QTest::newRow("file cut after signing") << "key, file cut" << signedFile + "Ricevuti 1000 byte";
    QTest::newRow("manifest changed") << "key, manifest changed" << badSignature;
    QTest::newRow("signed with another key") << "key, another key" << badSignature;
    QTest::newRow("no manifest") << "key, no manifest"
                                 << ftptext::ManifestMissing.arg(ftptext::Manifest) + "\r\n\r\n" +
                                        ftptext::OnlySignedUpdates;
    QTest::newRow("signature missing")
        << "key, signature missing"
        << ftptext::SignatureMissing.arg(ftptext::ManifestSignature) + "\r\n\r\n" +
               ftptext::OnlySignedUpdates;
    QTest::newRow("file added after signing")
        << "key, file added"
        << ftptext::FileNotSigned.arg("extra.dll") + "\r\n\r\n" + ftptext::NotInManifest;
    QTest::newRow("no key, no manifest") << "no key, no manifest"
                                         << "";
    QTest::newRow("no key, damaged file")
        << "no key, file changed" << listedFile + "L'impronta SHA-256 dei byte ricevuti";
    QTest::newRow("no key, unreadable manifest")
        << "no key, manifest unreadable"
        << ftptext::ManifestUnreadable.arg(ftptext::Manifest) + "\r\n\r\nriga 1";
    // Without a key only damage is looked for: any signer's list will do.
    QTest::newRow("no key, another key") << "no key, another key"
                                         << "";
}

void TestSignedUpdate::downloadRun()
{
    QFETCH(QString, situation);
    QFETCH(QString, box);
    UpdateWorld w;
    publish(w.distribution, w.program);
    QTemporaryDir keys;
    w.g.PublisherKey = prepare(situation, w.distribution, keys.path());
    const QByteArray published = readFile(w.inDistribution("CORVANE.EXE"));
    const QByteArray old = readFile(w.inProgram("Corvane.exe"));
    QVERIFY(w.startServer());
    w.form.lblVerProgDashmoor.setCaption("2.0.15");
    w.form.lblVerProgLocale.setCaption("2.0.14");
    if (!box.isEmpty()) w.port.expectBoxStartingWith(kRefused + box);

    cmdNuovaVer_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    if (box.isEmpty()) {
        QCOMPARE(readFile(w.inProgram("Corvane.exe")), published);
        QCOMPARE(w.form.lblVerProgLocale.foreColour(), int(colour::Green));
    } else {
        QCOMPARE(w.port.boxes.first().title, ftptext::RefusedTitle);
        QCOMPARE(w.port.boxes.first().style, style::Critical);
        QCOMPARE(readFile(w.inProgram("Corvane.exe")), old);
        const QString headline = box.section("\r\n", 0, 0);
        QVERIFY(!w.log.lines.filter("Update refused: " + headline).isEmpty());
    }
    if (situation.startsWith("key, signed"))
        QVERIFY(!w.log.lines.filter("signature verified with the publisher key").isEmpty());
    for (const QString& name : w.programFiles())
        QVERIFY2(!name.toUpper().startsWith(ftptext::Manifest) && !name.endsWith(".part"),
                 qPrintable(name));
    QVERIFY(w.form.enabled());
    QVERIFY(!w.form.FrameInfo.visible());
}

void TestSignedUpdate::vsftpdServesASignedFolder_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("refusal"); // the headline; "" when accepted
    QTest::newRow("signed") << "key, signed"
                            << "";
    QTest::newRow("file changed") << "key, file changed"
                                  << ftptext::FileNotSigned.arg("CORVANE.EXE");
    QTest::newRow("another key") << "key, another key"
                                 << ftptext::SignatureInvalid.arg(ftptext::Manifest);
    QTest::newRow("no manifest") << "key, no manifest"
                                 << ftptext::ManifestMissing.arg(ftptext::Manifest);
}

void TestSignedUpdate::vsftpdServesASignedFolder()
{
    QFETCH(QString, situation);
    QFETCH(QString, refusal);
    if (const QString why = VsftpdServer::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
    UpdateWorld w;
    publish(w.distribution, w.program);
    QTemporaryDir keys;
    const QByteArray key = prepare(situation, w.distribution, keys.path());
    const QByteArray old = readFile(w.inProgram("Corvane.exe"));
    VsftpdServer vsftpd;
    QTemporaryDir work;
    const QString error = vsftpd.start({w.serverRoot, {}, {}, false, {}}, work.path());
    QVERIFY2(error.isEmpty(), qPrintable(error));

    FtpSession ftp(w.port, vsftpd.anonymousSettings());
    QCOMPARE(ftp.login(), FtpSession::Login::Ok);
    const QString folder = ftp.changeFolder("/distributori/CORVANE");
    const QStringList names = ftp.listNames(folder).value_or(QStringList());
    try {
        const PublishedFiles files =
            PublishedFiles::load(w.ctx, ftp, folder, names.contains(ftptext::Manifest),
                                 names.contains(ftptext::ManifestSignature), key);
        QVERIFY(ScaricaFileFtp(
            w.ctx, ftp, remotePathOf(folder, "CORVANE.EXE"), w.inProgram("Corvane.exe"),
            [&](qint64 size, const QByteArray& sha) { files.check("CORVANE.EXE", size, sha); }));
        QVERIFY2(refusal.isEmpty(), "accepted");
        QCOMPARE(readFile(w.inProgram("Corvane.exe")), readFile(w.inDistribution("CORVANE.EXE")));
    } catch (const UpdateRefused& refused) {
        QCOMPARE(refused.headline, refusal);
        QCOMPARE(readFile(w.inProgram("Corvane.exe")), old);
    }
    QCOMPARE(w.programFiles(), QStringList{"Corvane.exe"});
}

QTEST_GUILESS_MAIN(TestSignedUpdate)
#include "test_signedupdate.moc"
