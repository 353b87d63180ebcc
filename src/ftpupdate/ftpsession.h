#pragma once

#include "ftpsettings.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <optional>

namespace corvane {

class PlatformPort;

// One logged-in connection to the update server over one reused libcurl
// handle. Every transfer services the window's events about every 10 ms; a
// call that arrives from inside such an event is refused, never run nested.
// Names and folders are the server's bytes (see base/rawbytes.h).
class FtpSession
{
public:
    // TlsRefused: FTPS is required and the server offers no TLS, or its
    // certificate cannot be verified.
    enum class Login { Ok, NoInternet, NotReachable, TlsRefused };
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
    // it. A transfer that fails, or ends short of the size the server
    // announced (SIZE, MLST, else the folder's listing), throws.
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
    // Whether the control connection is protected by TLS (known after login).
    bool usesTls() const { return m_tls; }
    // Why an offered TLS session was not used, when it was not.
    const QString& tlsFallback() const { return m_tlsFallback; }
    qint64 bytesReceived() const { return m_received; }

private:
    struct Curl;

    void prepare(const QString& path, bool directory);
    int perform();
    int attemptLogin();
    void serviceEvents();
    qint64 announcedSize() const;
    std::optional<qint64> expectedSize(const QString& remotePath);
    std::optional<qint64> remoteSizeByMlst(const QString& remotePath);
    std::optional<qint64> remoteSizeByListing(const QString& remotePath);
    QString describe(int code) const;
    void deliver(const char* data, size_t size);

    static size_t onWrite(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);

    PlatformPort& m_port;
    FtpSettings m_settings;
    Curl* m_curl;
    bool m_tls = false;
    QString m_tlsFallback;
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
