#include "sha256.h"

#include "base/error.h"

#include <openssl/evp.h>

namespace corvane {

namespace {

// How long a wait goes before the caller's events are serviced.
constexpr std::chrono::milliseconds kWaitSlice{10};

} // namespace

struct Sha256::Context
{
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha256::Sha256() : m_context(std::make_unique<Context>())
{
    if (!m_context->md || EVP_DigestInit_ex(m_context->md, EVP_sha256(), nullptr) != 1)
        throw Error(errnum::ProviderFailure, QStringLiteral("SHA-256 is not available"));
}

Sha256::~Sha256() = default;

void Sha256::add(const char* data, qsizetype size)
{
    EVP_DigestUpdate(m_context->md, data, static_cast<size_t>(size));
}

QByteArray Sha256::result()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->md, reinterpret_cast<unsigned char*>(digest.data()), &length);
    digest.resize(length);
    return digest;
}

QByteArray Sha256::of(const QByteArray& data)
{
    Sha256 hash;
    hash.add(data.constData(), data.size());
    return hash.result();
}

WrittenFileSha256::WrittenFileSha256(QFileDevice& file, std::function<void()> whileWaiting,
                                     qint64 step)
    : m_whileWaiting(std::move(whileWaiting)), m_step(step), m_file(file),
      m_thread(&WrittenFileSha256::run, this)
{
}

WrittenFileSha256::~WrittenFileSha256()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WrittenFileSha256::written(qint64 size)
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        // Woken only when a whole step is there: a wake-up per write would
        // cost the receiving thread more than it saves.
        wake = size - m_hashed >= m_step && m_written - m_hashed < m_step;
        m_written = size;
    }
    if (wake) m_changed.notify_all();
}

QByteArray WrittenFileSha256::result()
{
    std::unique_lock lock(m_mutex);
    m_finishing = true;
    m_changed.notify_all();
    const auto done = [this] { return m_hashed == m_written || m_failure; };
    while (!m_changed.wait_for(lock, kWaitSlice, done)) {
        if (!m_whileWaiting) continue;
        lock.unlock();
        m_whileWaiting();
        lock.lock();
    }
    if (m_failure) std::rethrow_exception(m_failure);
    return m_hash.result();
}

void WrittenFileSha256::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            const qint64 ready = m_written - m_hashed;
            return m_closing || ready >= m_step || (m_finishing && ready > 0);
        });
        if (m_closing) return; // abandoned: what is left no longer matters
        const qint64 from = m_hashed;
        const qint64 size = qMin(m_written - m_hashed, m_step);
        lock.unlock();
        try {
            m_file.read(from, size, [this](const char* data, qint64 n) { m_hash.add(data, n); });
        } catch (...) {
            lock.lock();
            m_failure = std::current_exception();
            m_changed.notify_all();
            return;
        }
        lock.lock();
        m_hashed += size;
        if (m_hashed == m_written) m_changed.notify_all();
    }
}

} // namespace corvane
