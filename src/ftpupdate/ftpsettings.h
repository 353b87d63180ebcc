#pragma once

#include <QString>
#include <optional>

namespace corvane {

// Whether the session protects itself with TLS (explicit FTPS, AUTH TLS):
// never; when the server offers it, staying in plain text when it does not
// or when its certificate cannot be verified; or always, refusing any server
// that cannot give a verified TLS session.
enum class FtpsMode { Off, Offered, Required };

// "off", "offered", "required" (any letter case); nothing for other text.
std::optional<FtpsMode> ftpsModeFromText(const QString& text);
QString ftpsModeText(FtpsMode mode);

// Where the update server is, how the session protects itself and how long
// the client waits for it.
struct FtpSettings
{
    QString host;
    int port = 21;
    QString user;
    QString password;
    QString folder;
    FtpsMode ftps = FtpsMode::Offered;
    // PEM file of the certificate authorities to trust; empty: the system's.
    QString caFile;
    int connectTimeoutSeconds = 15;
    // A transfer that receives nothing for this long is abandoned.
    int stallSeconds = 30;

    // The maker's server as the build names it. The environment may override
    // the host (CORVANE_FTP_HOST, "host" or "host:port"), the FTPS mode
    // (CORVANE_FTPS; an unknown word means "required") and the CA file
    // (CORVANE_FTPS_CA_FILE).
    static FtpSettings updateServer();
};

// Timeouts used by updateServer(); the tests and the benchmark turn them down.
struct FtpTimeouts
{
    int connectSeconds = 15;
    int stallSeconds = 30;
};
FtpTimeouts& ftpTimeouts();

} // namespace corvane
