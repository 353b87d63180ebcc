#include "ftpsettings.h"

#include "base/buildconfig.h"

namespace corvane {

namespace {

const QString kUser = QStringLiteral("plowde");
const QString kPassword = QStringLiteral("@kvnrtx@");
const QString kFolder = QStringLiteral("/distributori/CORVANE");

// The environment's value when set, else the build's.
QString setting(const char* variable, const char* built)
{
    return qEnvironmentVariableIsSet(variable) ? qEnvironmentVariable(variable).trimmed()
                                               : QString::fromUtf8(built);
}

} // namespace

std::optional<FtpsMode> ftpsModeFromText(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("off")) return FtpsMode::Off;
    if (word == QLatin1String("offered")) return FtpsMode::Offered;
    if (word == QLatin1String("required")) return FtpsMode::Required;
    return std::nullopt;
}

QString ftpsModeText(FtpsMode mode)
{
    switch (mode) {
    case FtpsMode::Off:
        return QStringLiteral("off");
    case FtpsMode::Offered:
        return QStringLiteral("offered");
    case FtpsMode::Required:
        break;
    }
    return QStringLiteral("required");
}

FtpTimeouts& ftpTimeouts()
{
    static FtpTimeouts timeouts;
    return timeouts;
}

FtpSettings FtpSettings::updateServer()
{
    FtpSettings s;
    s.host = QString::fromUtf8(build::ftpHost);
    const QString overridden = qEnvironmentVariable("CORVANE_FTP_HOST").trimmed();
    if (!overridden.isEmpty()) {
        const int colon = overridden.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? overridden.mid(colon + 1).toInt(&ok) : 0;
        s.host = ok ? overridden.left(colon) : overridden;
        if (ok) s.port = port;
    }
    // A misspelt mode must not quietly weaken the setting.
    s.ftps =
        ftpsModeFromText(setting("CORVANE_FTPS", build::ftpsMode)).value_or(FtpsMode::Required);
    s.caFile = setting("CORVANE_FTPS_CA_FILE", build::ftpsCaFile);
    s.user = kUser;
    s.password = kPassword;
    s.folder = kFolder;
    s.connectTimeoutSeconds = ftpTimeouts().connectSeconds;
    s.stallSeconds = ftpTimeouts().stallSeconds;
    return s;
}

} // namespace corvane
