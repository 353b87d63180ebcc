#include "ftpsession.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/rawbytes.h"
#include "ftplisting.h"
#include "state/platform.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QUrl>
#include <curl/curl.h>

namespace corvane {

namespace {

// Often: a loaded machine may hold the thread back for a few tens of
// milliseconds on top of this, and the window's pauses must stay under 60 ms.
constexpr qint64 kTransferYieldMs = 10;
// Large receive blocks: loopback transfers run at disk speed instead of
// being bounded by the per-call overhead of small reads.
constexpr long kBufferSize = 512 * 1024;

// Frees the libcurl lists we hand to a request once the request is over.
struct SList
{
    curl_slist* list = nullptr;
    ~SList() { curl_slist_free_all(list); }
    void add(const QByteArray& line) { list = curl_slist_append(list, line.constData()); }
};

// Monotonic milliseconds, shared by every session of the process.
qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Failures of the TLS layer, as opposed to an unreachable server or a login.
bool isTlsFailure(int code)
{
    switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return true;
    default:
        return false;
    }
}

// The folder part and the name part of a remote path.
std::pair<QString, QString> splitPath(const QString& remotePath)
{
    const qsizetype slash = remotePath.lastIndexOf(QLatin1Char('/'));
    return {remotePath.left(qMax<qsizetype>(slash, 0)), remotePath.mid(slash + 1)};
}

} // namespace

struct FtpSession::Curl
{
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~Curl()
    {
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
    }
};

FtpSession::FtpSession(PlatformPort& port, FtpSettings settings)
    : m_port(port), m_settings(std::move(settings)), m_curl(new Curl),
      m_tls(m_settings.ftps != FtpsMode::Off)
{
}

FtpSession::~FtpSession()
{
    delete m_curl;
}

// A fresh request on the reused handle: the connection stays open across resets.
void FtpSession::prepare(const QString& path, bool directory)
{
    // Reached from an event serviced during a transfer: the handle is in use.
    if (m_busy)
        throw Error(CURLE_RECURSIVE_API_CALL,
                    QStringLiteral("The FTP session is already transferring a file"));
    CURL* e = m_curl->easy;
    curl_easy_reset(e);
    QByteArray url =
        "ftp://" + QUrl::toAce(m_settings.host) + ':' + QByteArray::number(m_settings.port) + '/';
    const QList<QByteArray> segments = toRawBytes(path).split('/');
    if (path.startsWith(QLatin1Char('/'))) url += "%2F";
    bool first = true;
    for (const QByteArray& segment : segments) {
        if (segment.isEmpty()) continue;
        if (!first) url += '/';
        url += segment.toPercentEncoding();
        first = false;
    }
    if (directory && !first) url += '/';

    const QByteArray user = m_settings.user.toUtf8();
    const QByteArray password = m_settings.password.toUtf8();
    curl_easy_setopt(e, CURLOPT_URL, url.constData());
    curl_easy_setopt(e, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(e, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // The proxy comes from the environment, as libcurl reads it (ftp_proxy,
    // all_proxy, no_proxy). Through an HTTP proxy, FTP runs in CONNECT
    // tunnels: a plain HTTP proxy could neither list nor send FTP commands.
    curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, 1L);
    const long tls = !m_tls                                  ? long(CURLUSESSL_NONE)
                     : m_settings.ftps == FtpsMode::Required ? long(CURLUSESSL_ALL)
                                                             : long(CURLUSESSL_TRY);
    curl_easy_setopt(e, CURLOPT_USE_SSL, tls);
    const std::string caFile = toFsPath(m_settings.caFile).string();
    if (!m_settings.caFile.isEmpty()) {
        curl_easy_setopt(e, CURLOPT_CAINFO, caFile.c_str());
    } else {
#ifdef Q_OS_WIN
        // The Windows certificate store, whichever TLS library libcurl uses.
        curl_easy_setopt(e, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NATIVE_CA));
#endif
    }
    curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT,
                     static_cast<long>(m_settings.connectTimeoutSeconds));
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(m_settings.stallSeconds));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_settings.stallSeconds));
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_curl->errorBuffer);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &FtpSession::onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &FtpSession::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    m_curl->errorBuffer[0] = '\0';
    m_replies.clear();
    m_received = 0;
    m_sinkError.clear();
    m_callbackFailure = nullptr;
}

// Runs the prepared request, servicing the window's events meanwhile.
int FtpSession::perform()
{
    if (!m_curl->easy || !m_curl->multi)
        throw Error(CURLE_FAILED_INIT, QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
    m_busy = true;
    curl_multi_add_handle(m_curl->multi, m_curl->easy);
    struct Detach
    {
        Curl* curl;
        bool& busy;
        ~Detach()
        {
            curl_multi_remove_handle(curl->multi, curl->easy);
            busy = false;
        }
    } detach{m_curl, m_busy};

    m_lastYieldMs = nowMs();
    int running = 1;
    while (running) {
        const CURLMcode mc = curl_multi_perform(m_curl->multi, &running);
        if (m_callbackFailure) std::rethrow_exception(m_callbackFailure);
        if (mc != CURLM_OK) throw Error(mc, QString::fromUtf8(curl_multi_strerror(mc)));
        if (!running) break;
        const qint64 wait = kTransferYieldMs - (nowMs() - m_lastYieldMs);
        if (wait > 0) curl_multi_poll(m_curl->multi, nullptr, 0, static_cast<int>(wait), nullptr);
        serviceEvents();
        if (m_callbackFailure) std::rethrow_exception(m_callbackFailure);
    }
    int result = CURLE_OK;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_curl->multi, &queued)) {
        if (msg->msg == CURLMSG_DONE) result = msg->data.result;
    }
    return result;
}

// Lets the window repaint and take its events, at most about every 10 ms.
void FtpSession::serviceEvents()
{
    if (nowMs() - m_lastYieldMs < kTransferYieldMs) return;
    if (m_sink && m_progress) m_progress(m_received, announcedSize());
    m_port.yield();
    m_lastYieldMs = nowMs();
}

qint64 FtpSession::announcedSize() const
{
    curl_off_t announced = -1;
    curl_easy_getinfo(m_curl->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    return announced;
}

QString FtpSession::describe(int code) const
{
    QString text = QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(code)));
    const QString detail = QString::fromUtf8(m_curl->errorBuffer).trimmed();
    if (!detail.isEmpty() && detail != text) text += QStringLiteral(": ") + detail;
    return text;
}

size_t FtpSession::onWrite(char* data, size_t size, size_t count, void* self)
{
    auto* s = static_cast<FtpSession*>(self);
    try {
        s->deliver(data, size * count);
        s->serviceEvents();
    } catch (...) {
        // Nothing may unwind through libcurl: keep the failure for perform().
        s->m_callbackFailure = std::current_exception();
        return CURL_WRITEFUNC_ERROR;
    }
    return s->m_sinkError.isEmpty() ? size * count : CURL_WRITEFUNC_ERROR;
}

void FtpSession::deliver(const char* data, size_t size)
{
    m_received += static_cast<qint64>(size);
    if (!m_sink) {
        m_buffer.append(data, static_cast<qsizetype>(size));
        return;
    }
    // A write may take only part of the bytes (a disk filling up); the next
    // one then fails with the system's reason, which is what the user sees.
    qint64 left = static_cast<qint64>(size);
    while (left > 0) {
        const qint64 written = m_sink->write(data, left);
        if (written <= 0) {
            m_sinkError = m_sink->errorString();
            return;
        }
        data += written;
        left -= written;
    }
}

size_t FtpSession::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* s = static_cast<FtpSession*>(self);
    s->m_replies.append(QByteArray(data, static_cast<qsizetype>(size * count)).trimmed());
    return size * count;
}

int FtpSession::attemptLogin()
{
    prepare(QString(), true);
    curl_easy_setopt(m_curl->easy, CURLOPT_NOBODY, 1L);
    const int code = perform();
    // "Offered" goes on in plain text when the server does not take AUTH.
    if (code == CURLE_OK && m_tls) {
        m_tls = std::any_of(m_replies.cbegin(), m_replies.cend(),
                            [](const QByteArray& reply) { return reply.startsWith("234"); });
        if (!m_tls) m_tlsFallback = QStringLiteral("The server does not offer TLS");
    }
    return code;
}

FtpSession::Login FtpSession::login()
{
    if (!m_curl->easy || !m_curl->multi) return Login::NoInternet;
    int code = attemptLogin();
    if (isTlsFailure(code) && m_settings.ftps == FtpsMode::Offered) {
        // Opportunistic: a server that works in plain text keeps working.
        m_tlsFallback = describe(code);
        m_tls = false;
        code = attemptLogin();
    }
    m_lastError = code == CURLE_OK ? QString() : describe(code);
    if (code == CURLE_OK) return Login::Ok;
    if (code == CURLE_COULDNT_RESOLVE_HOST) return Login::NoInternet;
    if (isTlsFailure(code)) return Login::TlsRefused;
    return Login::NotReachable;
}

QString FtpSession::changeFolder(const QString& folder)
{
    for (const QString& path : {folder, QString()}) {
        prepare(path, true);
        SList quote;
        quote.add("PWD");
        curl_easy_setopt(m_curl->easy, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(m_curl->easy, CURLOPT_POSTQUOTE, quote.list);
        const int code = perform();
        if (code == CURLE_REMOTE_ACCESS_DENIED && !path.isEmpty()) continue; // stay where we are
        if (code != CURLE_OK) throw Error(code, describe(code));
        for (auto it = m_replies.crbegin(); it != m_replies.crend(); ++it) {
            if (it->startsWith("257")) return fromRawBytes(folderFromReply(*it));
        }
        throw Error(CURLE_WEIRD_SERVER_REPLY,
                    QStringLiteral("The server did not report its current folder"));
    }
    Q_UNREACHABLE();
}

std::optional<QStringList> FtpSession::listNames(const QString& folder)
{
    prepare(folder, true);
    curl_easy_setopt(m_curl->easy, CURLOPT_DIRLISTONLY, 1L);
    m_sink = nullptr;
    m_buffer.clear();
    const int code = perform();
    if (code == CURLE_REMOTE_ACCESS_DENIED || code == CURLE_REMOTE_FILE_NOT_FOUND ||
        code == CURLE_FTP_COULDNT_RETR_FILE) {
        m_lastError = describe(code);
        return std::nullopt;
    }
    if (code != CURLE_OK) throw Error(code, describe(code));
    QStringList names;
    for (const QByteArray& name : namesOfNameList(m_buffer))
        names << fromRawBytes(name);
    m_buffer.clear();
    return names;
}

FtpSession::Fetch FtpSession::fetch(const QString& remotePath, QIODevice& sink)
{
    prepare(remotePath, false);
    m_sink = &sink;
    struct Unhook
    {
        QIODevice*& sink;
        ~Unhook() { sink = nullptr; }
    } unhook{m_sink};
    const int code = perform();
    if (code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_FTP_COULDNT_RETR_FILE ||
        code == CURLE_REMOTE_ACCESS_DENIED)
        return Fetch::Refused;
    if (!m_sinkError.isEmpty()) throw Error(errnum::PathFileAccess, m_sinkError);
    if (code != CURLE_OK) throw Error(code, describe(code));

    // A data connection closed early may still end with 226: only the size
    // the server announced tells a complete file from a shortened one.
    const qint64 received = m_received;
    const std::optional<qint64> expected = expectedSize(remotePath);
    if (expected && *expected != received) {
        throw Error(CURLE_PARTIAL_FILE,
                    QStringLiteral("Transfer of %1 cut short: %2 of %3 bytes received")
                        .arg(remotePath)
                        .arg(received)
                        .arg(*expected));
    }
    m_received = received;
    if (m_progress) m_progress(received, received);
    return Fetch::Complete;
}

// SIZE (or the 150 reply) as libcurl saw it; else MLST; else the listing.
std::optional<qint64> FtpSession::expectedSize(const QString& remotePath)
{
    if (const qint64 announced = announcedSize(); announced >= 0) return announced;
    if (const std::optional<qint64> size = remoteSizeByMlst(remotePath)) return size;
    return remoteSizeByListing(remotePath);
}

// Servers without SIZE may still describe a file through MLST.
std::optional<qint64> FtpSession::remoteSizeByMlst(const QString& remotePath)
{
    const auto [folder, name] = splitPath(remotePath);
    prepare(folder, true);
    SList quote;
    quote.add("*MLST " + toRawBytes(name));
    curl_easy_setopt(m_curl->easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_curl->easy, CURLOPT_POSTQUOTE, quote.list);
    if (perform() != CURLE_OK) return std::nullopt;
    static const QRegularExpression size(QStringLiteral("(?:^|;|\\s)size=(\\d+);"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (const QByteArray& reply : std::as_const(m_replies)) {
        const QRegularExpressionMatch m = size.match(QString::fromLatin1(reply));
        if (m.hasMatch()) return m.captured(1).toLongLong();
    }
    return std::nullopt;
}

// The last resort: the size the folder's LIST gives, as WinInet's listing did.
std::optional<qint64> FtpSession::remoteSizeByListing(const QString& remotePath)
{
    const auto [folder, name] = splitPath(remotePath);
    prepare(folder, true);
    m_sink = nullptr;
    m_buffer.clear();
    const int code = perform();
    const QByteArray listing = std::exchange(m_buffer, QByteArray());
    if (code != CURLE_OK) return std::nullopt;
    return sizeInListing(listing, toRawBytes(name));
}

} // namespace corvane
