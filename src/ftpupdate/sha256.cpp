#include "sha256.h"

#include "base/error.h"

#include <cstring>
#include <openssl/evp.h>

namespace corvane {

namespace {

// At most 8 blocks in flight: with blocks of 1 MiB the queue drains in a few
// milliseconds on an idle core.
constexpr size_t kMaxQueued = 8;
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

BackgroundSha256::BackgroundSha256(std::function<void()> whileWaiting, qsizetype blockSize)
    : m_whileWaiting(std::move(whileWaiting)), m_blockSize(blockSize),
      m_thread(&BackgroundSha256::run, this)
{
}

// Waits until `ready`, in slices, running m_whileWaiting between them.
template <typename Ready>
void BackgroundSha256::waitFor(std::unique_lock<std::mutex>& lock, Ready ready)
{
    while (!m_changed.wait_for(lock, kWaitSlice, ready)) {
        if (!m_whileWaiting) continue;
        lock.unlock();
        m_whileWaiting();
        lock.lock();
    }
}

BackgroundSha256::~BackgroundSha256()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundSha256::add(const char* data, qsizetype size)
{
    while (size > 0) {
        if (m_filling.isNull()) {
            std::lock_guard lock(m_mutex);
            if (!m_spare.empty()) {
                m_filling = std::move(m_spare.back());
                m_spare.pop_back();
            }
        }
        if (m_filling.capacity() < m_blockSize) m_filling.reserve(m_blockSize);
        const qsizetype take = qMin(size, m_blockSize - m_filling.size());
        m_filling.append(data, take);
        data += take;
        size -= take;
        if (m_filling.size() == m_blockSize) handOver();
    }
}

void BackgroundSha256::handOver()
{
    std::unique_lock lock(m_mutex);
    waitFor(lock, [this] { return m_queue.size() < kMaxQueued; });
    m_queue.push_back(std::move(m_filling));
    m_filling = QByteArray();
    lock.unlock();
    m_changed.notify_all();
}

QByteArray BackgroundSha256::result()
{
    if (!m_filling.isEmpty()) handOver();
    std::unique_lock lock(m_mutex);
    waitFor(lock, [this] { return m_queue.empty() && !m_hashing; });
    return m_hash.result();
}

void BackgroundSha256::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closing || !m_queue.empty(); });
        if (m_closing) return; // abandoned: what is queued no longer matters
        QByteArray block = std::move(m_queue.front());
        m_queue.pop_front();
        m_hashing = true;
        lock.unlock();
        m_changed.notify_all(); // room in the queue
        m_hash.add(block.constData(), block.size());
        block.resize(0); // keeps the allocation for reuse
        lock.lock();
        m_hashing = false;
        m_spare.push_back(std::move(block));
        m_changed.notify_all();
    }
}

} // namespace corvane
