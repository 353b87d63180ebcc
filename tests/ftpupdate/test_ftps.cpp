// FTPS against pyftpdlib's TLS handler and vsftpd, with certificates made at
// test time: what each setting does with a plain server, a certificate from
// an unknown CA and a good server.
#include "base/buildconfig.h"
#include "base/error.h"
#include "ftpfixture.h"
#include "ftpupdate/ftpsteps.h"
#include "ftpupdate/texts.h"
#include "support/testplatform.h"
#include "trustfixture.h"

#include <QBuffer>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

// A running server of either kind and the settings that reach it.
struct Server
{
    UpdateWorld& world;
    QTemporaryDir work;
    TestCertificates certificates;
    std::unique_ptr<VsftpdServer> vsftpd;
    FtpSettings settings;

    // tls: "none", "offered" or "required" by the server.
    QString start(const QString& kind, const QString& tls)
    {
        if (const QString error = certificates.make(work.path()); !error.isEmpty()) return error;
        const bool withTls = tls != "none";
        if (kind == "vsftpd") {
            vsftpd = std::make_unique<VsftpdServer>();
            VsftpdServer::Options options{world.serverRoot, {}, {}, tls == "required", {}};
            if (withTls)
                options.certFile = certificates.certFile, options.keyFile = certificates.keyFile;
            if (const QString error = vsftpd->start(options, work.path()); !error.isEmpty())
                return error;
            settings = vsftpd->anonymousSettings();
            return {};
        }
        QStringList switches;
        if (withTls)
            switches << "--tls" << hostPath(certificates.certFile)
                     << hostPath(certificates.keyFile);
        if (tls == "required") switches << "--tls-required";
        if (!world.startServer(switches)) return "pyftpdlib did not start";
        settings = FtpSettings::updateServer();
        return {};
    }
};

} // namespace

class TestFtps : public QObject
{
    Q_OBJECT

private slots:
    void session_data();
    void session();
    void requiredWithoutTlsShowsWhy();
    void modeFromTheEnvironment_data();
    void modeFromTheEnvironment();
};

void TestFtps::session_data()
{
    QTest::addColumn<QString>("server"); // pyftpdlib or vsftpd
    QTest::addColumn<QString>("tls");    // what the server does: none, offered, required
    QTest::addColumn<QString>("mode");   // our setting
    QTest::addColumn<QString>("trust");  // ours (the CA that signed it), other (another CA), system
    QTest::addColumn<QString>("outcome"); // tls, plain, refused (TlsRefused), no login
    for (const char* server : {"pyftpdlib", "vsftpd"}) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::addRow("%s: %s", server, name) << QString(server);
        };
        row("plain server, required") << "none"
                                      << "required"
                                      << "ours"
                                      << "refused";
        row("unknown CA, required") << "offered"
                                    << "required"
                                    << "other"
                                    << "refused";
        row("not in the system store, required") << "offered"
                                                 << "required"
                                                 << "system"
                                                 << "refused";
        row("good server, required") << "required"
                                     << "required"
                                     << "ours"
                                     << "tls";
        row("good server, offered") << "offered"
                                    << "offered"
                                    << "ours"
                                    << "tls";
        row("unknown CA, offered: plain text") << "offered"
                                               << "offered"
                                               << "other"
                                               << "plain";
        row("plain server, offered") << "none"
                                     << "offered"
                                     << "ours"
                                     << "plain";
        row("TLS offered, off") << "offered"
                                << "off"
                                << "ours"
                                << "plain";
        row("TLS demanded, off") << "required"
                                 << "off"
                                 << "ours"
                                 << "no login";
    }
}

void TestFtps::session()
{
    QFETCH(QString, server);
    QFETCH(QString, tls);
    QFETCH(QString, mode);
    QFETCH(QString, trust);
    QFETCH(QString, outcome);
    if (server == "vsftpd" && !VsftpdServer::unavailable().isEmpty())
        QSKIP(qPrintable(VsftpdServer::unavailable()));
#ifdef Q_OS_WIN
    // Seen under wine: libcurl 7.88's schannel refuses the test certificate,
    // issued to the address 127.0.0.1 ("CertGetNameString() failed to match
    // connection hostname"). A certificate for a host name needs a name server
    // the tests do not have.
    if (tls != "none" && mode != "off")
        QSKIP("schannel matches no IP address name: the loopback certificate cannot pass");
#endif
    UpdateWorld w;
    const QByteArray payload = binaryPayload(3 * 1024 * 1024 + 5, 21);
    writeFile(w.inDistribution("CORVANE.EXE"), payload);
    Server s{w, {}, {}, {}, {}};
    const QString error = s.start(server, tls);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    s.settings.ftps = *ftpsModeFromText(mode);
    s.settings.caFile = trust == "ours"    ? s.certificates.caFile
                        : trust == "other" ? s.certificates.otherCaFile
                                           : QString();

    FtpSession ftp(w.port, s.settings);
    const FtpSession::Login login = ftp.login();
    if (outcome == "refused") {
        QCOMPARE(login, FtpSession::Login::TlsRefused);
        return;
    }
    if (outcome == "no login") {
        QCOMPARE(login, FtpSession::Login::NotReachable);
        return;
    }
    QVERIFY2(login == FtpSession::Login::Ok, qPrintable(ftp.lastError()));
    QCOMPARE(ftp.usesTls(), outcome == "tls");
    if (outcome == "plain" && mode == "offered") QVERIFY(!ftp.tlsFallback().isEmpty());
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    const QString folder = ftp.changeFolder("/distributori/CORVANE");
    QCOMPARE(ftp.listNames(folder).value_or(QStringList()), QStringList{"CORVANE.EXE"});
    QCOMPARE(ftp.fetch(remotePathOf(folder, "CORVANE.EXE"), sink), FtpSession::Fetch::Complete);
    QCOMPARE(sink.data(), payload);
}

void TestFtps::requiredWithoutTlsShowsWhy()
{
    UpdateWorld w;
    QVERIFY(w.startServer());
    qputenv("CORVANE_FTPS", "required");
    w.port.expectBoxStartingWith(ftptext::NoSecureConnection + "\r\n\r\n");
    const bool opened = ApriSessioneFtp(w.ctx).has_value();
    qunsetenv("CORVANE_FTPS");
    QVERIFY(!opened);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.first().title, ftptext::NoSecureConnectionTitle);
    QCOMPARE(w.port.boxes.first().style, style::Critical);
    QVERIFY(!w.log.lines.filter("no protected connection (FTPS required)").isEmpty());
}

void TestFtps::modeFromTheEnvironment_data()
{
    QTest::addColumn<QByteArray>("value"); // "-": not set
    QTest::addColumn<QString>("mode");
    QTest::newRow("not set: the build's")
        << QByteArray("-") << ftpsModeText(*ftpsModeFromText(build::ftpsMode));
    QTest::newRow("off") << QByteArray("off") << "off";
    QTest::newRow("any letter case") << QByteArray(" Required ") << "required";
    QTest::newRow("misspelt: the strictest") << QByteArray("ofered") << "required";
}

void TestFtps::modeFromTheEnvironment()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, mode);
    if (value == "-")
        qunsetenv("CORVANE_FTPS");
    else
        qputenv("CORVANE_FTPS", value);
    const FtpsMode read = FtpSettings::updateServer().ftps;
    qunsetenv("CORVANE_FTPS");
    QCOMPARE(ftpsModeText(read), mode);
}

QTEST_GUILESS_MAIN(TestFtps)
#include "test_ftps.moc"
