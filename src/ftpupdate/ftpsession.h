#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <optional>

namespace corvane {

class PlatformPort;

// Where the update server is and how long the client waits for it.
struct FtpSettings
{
    QString host;
    int port = 21;
    QString user;
    QString password;
    QString folder;
    int connectTimeoutSeconds = 15;
    // A transfer that receives nothing for this long is abandoned.
    int stallSeconds = 30;

    // The maker's server: the build's host unless CORVANE_FTP_HOST ("host" or
    // "host:port") names another one.
    static FtpSettings updateServer();
};

// Timeouts used by updateServer(); the tests and the benchmark turn them down.
struct FtpTimeouts
{
    int connectSeconds = 15;
    int stallSeconds = 30;
};
FtpTimeouts& ftpTimeouts();

// One logged-in connection to the update server over one reused libcurl
// handle. Every transfer services the window's events about every 50 ms; a
// call that arrives from inside such an event is refused, never run nested.
class FtpSession
{
public:
    enum class Login { Ok, NoInternet, NotReachable };
    enum class Fetch { Complete, Refused };

    FtpSession(PlatformPort& port, FtpSettings settings);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Connects and logs in as a step of its own.
    Login login();
    // Changes to the folder (a refusal is not an error) and returns the
    // folder the server then reports as current.
    QString changeFolder(const QString& folder);
    // The names of a folder in the server's order; nothing when the listing
    // could not be started (a missing folder, or a server that refuses an
    // empty one).
    std::optional<QStringList> listNames(const QString& folder);
    // Copies a remote file into `sink`. Refused when the server will not open
    // it; a transfer cut short or failing throws.
    Fetch fetch(const QString& remotePath, QIODevice& sink);

    // Told, while a file arrives, the bytes received so far and the size the
    // server announced (-1 when it announced none): as often as the window's
    // events are serviced, and once when the file is complete.
    void setProgress(std::function<void(qint64 received, qint64 total)> progress)
    {
        m_progress = std::move(progress);
    }

    // libcurl's description of the last failure (login, listing).
    const QString& lastError() const { return m_lastError; }
    qint64 bytesReceived() const { return m_received; }

private:
    struct Curl;

    void prepare(const QString& path, bool directory);
    int perform();
    void serviceEvents();
    qint64 announcedSize() const;
    std::optional<qint64> remoteSizeByMlst(const QString& remotePath);
    QString describe(int code) const;
    void deliver(const char* data, size_t size);

    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);

    PlatformPort& m_port;
    FtpSettings m_settings;
    Curl* m_curl;
    bool m_busy = false;
    QIODevice* m_sink = nullptr;
    QByteArray m_buffer;
    QByteArrayList m_replies;
    qint64 m_received = 0;
    QString m_sinkError;
    std::exception_ptr m_callbackFailure;
    QString m_lastError;
    qint64 m_lastYieldMs = 0;
    std::function<void(qint64, qint64)> m_progress;
};

} // namespace corvane
