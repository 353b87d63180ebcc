// End-to-end runs of a build that carries a publisher key (made by
// corvane-sign when the tests are built): a folder signed by the maker is
// installed, a tampered one is refused and Corvane.exe stays as it was. And
// a transfer cut short, which the server calls complete, is never installed.
#include "e2eworld.h"
#include "support/testfiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>

using corvane::test::readFile;
using corvane::test::writeFile;
using namespace corvane::e2e;

namespace {

// The keyed build in place of the program's executable.
void useKeyedBinary(const World& w)
{
    const QString program = w.program + '/' + corvane::e2e::binaryName();
    QVERIFY(QFile::remove(program));
    QVERIFY(QFile::copy(QStringLiteral(CORVANE_KEYED_BINARY), program));
}

// Runs corvane-sign as the maker does; empty on success, else its complaint.
QString signTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(CORVANE_SIGN_TOOL), arguments);
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return QString::fromUtf8(tool.readAllStandardError()) + tool.errorString();
    return {};
}

} // namespace

class TestEndToEndSigned : public QObject
{
    Q_OBJECT
private slots:
    void signedUpdateIsInstalled()
    {
        World w;
        useKeyedBinary(w);
        const QString signedWith = signTool({"sign", CORVANE_KEYED_SECRET, w.ftpFolder});
        QVERIFY2(signedWith.isEmpty(), qPrintable(signedWith));
        w.startFtp();
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 0);
        QCOMPARE(readFile(w.program + "/Corvane.exe"), readFile(w.ftpFolder + "/CORVANE.EXE"));
        QCOMPARE(r.label("lblVerProgLocale")["colour"].toInt(), 65280);
        QVERIFY(!QFile::exists(w.program + "/CORVANE.MANIFEST"));
        QVERIFY(!QFile::exists(w.program + "/CORVANE.MANIFEST.SIG"));
        QVERIFY(w.runLog().contains("signature verified with the publisher key"));
    }

    void tamperedUpdateIsRefused_data()
    {
        QTest::addColumn<QString>("tampering");
        QTest::addColumn<QString>("box");
        QTest::newRow("executable changed after signing")
            << "changed"
            << "Aggiornamento rifiutato: il file CORVANE.EXE non corrisponde alla firma del "
               "produttore.";
        // The attacker's copy, listed with its own hash: the signature no
        // longer covers the list.
        QTest::newRow("manifest changed to match a changed executable")
            << "manifest changed"
            << "Aggiornamento rifiutato: la firma del manifesto CORVANE.MANIFEST non è valida.";
        QTest::newRow("signed with another key")
            << "other key"
            << "Aggiornamento rifiutato: la firma del manifesto CORVANE.MANIFEST non è valida.";
        QTest::newRow("not signed") << "unsigned"
                                    << "Aggiornamento rifiutato: il manifesto firmato "
                                       "CORVANE.MANIFEST non è presente sul server";
    }

    void tamperedUpdateIsRefused()
    {
        QFETCH(QString, tampering);
        QFETCH(QString, box);
        World w;
        useKeyedBinary(w);
        QTemporaryDir keys;
        QString error;
        if (tampering == "other key") {
            error = signTool({"keygen", keys.filePath("other.key"), keys.filePath("other.pub")});
            if (error.isEmpty())
                error = signTool({"sign", keys.filePath("other.key"), w.ftpFolder});
        } else if (tampering != "unsigned") {
            error = signTool({"sign", CORVANE_KEYED_SECRET, w.ftpFolder});
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        if (tampering == "changed" || tampering == "manifest changed") {
            const QByteArray exe = readFile(w.ftpFolder + "/CORVANE.EXE");
            QByteArray changed = exe;
            changed[200] = char(changed[200] ^ 1);
            writeFile(w.ftpFolder + "/CORVANE.EXE", changed);
            if (tampering == "manifest changed") {
                const auto hex = [](const QByteArray& bytes) {
                    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
                };
                QByteArray manifest = readFile(w.ftpFolder + "/CORVANE.MANIFEST");
                QVERIFY(manifest.contains(hex(exe)));
                writeFile(w.ftpFolder + "/CORVANE.MANIFEST",
                          manifest.replace(hex(exe), hex(changed)));
            }
        }
        const QByteArray before = readFile(w.program + "/Corvane.exe");
        w.startFtp();
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 1);
        QVERIFY2(!r.boxTexts().filter(box).isEmpty(), qPrintable(r.boxTexts().join("\n")));
        QCOMPARE(readFile(w.program + "/Corvane.exe"), before);
        // The run log names the file and says why, as the box does.
        const QString headline = box.mid(box.indexOf(':') + 2);
        const QString log = QString::fromUtf8(w.runLog());
        QVERIFY2(log.contains("Update refused: " + headline), qPrintable(log));
        const QString reason = r.boxTexts().filter(box).first().section("\r\n\r\n", 1);
        QVERIFY(!reason.isEmpty());
        QVERIFY2(log.contains(reason), qPrintable(reason));
        // The database is brought up to date all the same.
        QCOMPARE(w.localVersion(), QStringLiteral("2.1"));
    }

    void shortTransferIsNotInstalled()
    {
        // No SIZE, no MLST, 200 bytes then 226: the run fails, and the next
        // run still sees the old version, so it fetches again.
        World w;
        const QByteArray before = readFile(w.program + "/Corvane.exe");
        w.startFtp({"--no-size", "--no-mlst", "--cut-226", "CORVANE.EXE:200"});
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 1);
        QVERIFY(r.boxTexts().contains(QStringLiteral("Errore Connessione FTP")));
        QCOMPARE(readFile(w.program + "/Corvane.exe"), before);
        QVERIFY(!QFile::exists(w.program + "/Corvane_Temp.exe"));
        QCOMPARE(r.label("lblVerProgLocale")["caption"].toString(), QStringLiteral("2.0.14"));
    }
};

QTEST_GUILESS_MAIN(TestEndToEndSigned)
#include "test_e2e_signed.moc"
