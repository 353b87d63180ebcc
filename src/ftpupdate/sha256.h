#pragma once

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane {

// SHA-256 of a byte stream (OpenSSL's, which uses the CPU's SHA extensions).
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const char* data, qsizetype size);
    // The 32-byte digest; the object is then spent.
    QByteArray result();

    static QByteArray of(const QByteArray& data);

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

// SHA-256 computed on a thread of its own while the caller goes on receiving:
// hashing on the window's thread would halve a fast transfer. The thread does
// nothing but hash the bytes handed to it, in order. While the caller has to
// wait for it (a full queue, the final digest), `whileWaiting` runs every
// few milliseconds, so the window keeps being serviced on a loaded machine.
class BackgroundSha256
{
public:
    // Bytes are handed to the thread in blocks of `blockSize`, at most 8 at a time.
    explicit BackgroundSha256(std::function<void()> whileWaiting = {},
                              qsizetype blockSize = 1 << 20);
    ~BackgroundSha256();
    BackgroundSha256(const BackgroundSha256&) = delete;
    BackgroundSha256& operator=(const BackgroundSha256&) = delete;

    // Copies the bytes into the queue; waits only while the queue is full.
    void add(const char* data, qsizetype size);
    // Waits until every byte added is hashed and returns the digest.
    QByteArray result();

private:
    void handOver();
    void run();
    template <typename Ready> void waitFor(std::unique_lock<std::mutex>& lock, Ready ready);

    std::function<void()> m_whileWaiting;
    const qsizetype m_blockSize;
    Sha256 m_hash;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_queue;  // full blocks waiting for the thread
    std::vector<QByteArray> m_spare; // blocks the thread has finished with
    QByteArray m_filling;            // the block being filled by add()
    bool m_closing = false;
    bool m_hashing = false;
    std::thread m_thread;
};

} // namespace corvane
