#pragma once

#include "base/system.h"

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

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

// SHA-256 of a file being written, computed on a thread of its own from the
// bytes already in the file while the caller goes on receiving: hashing on
// the window's thread would halve a fast transfer, and copying each block for
// another thread costs the receiving thread as much again. The thread reads
// the written bytes back from the system's cache (sys::FileReadBack). While
// the caller waits for the digest, `whileWaiting` runs every few
// milliseconds, so the window keeps being serviced on a loaded machine.
class WrittenFileSha256
{
public:
    // `file` is open for writing and stays open until result() returns;
    // the thread hashes in steps of `step` bytes.
    explicit WrittenFileSha256(QFileDevice& file, std::function<void()> whileWaiting = {},
                               qint64 step = 4 << 20);
    ~WrittenFileSha256();
    WrittenFileSha256(const WrittenFileSha256&) = delete;
    WrittenFileSha256& operator=(const WrittenFileSha256&) = delete;

    // The file now holds `size` bytes written from its start.
    void written(qint64 size);
    // Waits until every byte written is hashed and returns the digest.
    // Throws Error when the bytes could not be read back.
    QByteArray result();

private:
    void run();

    std::function<void()> m_whileWaiting;
    const qint64 m_step;
    sys::FileReadBack m_file;
    Sha256 m_hash;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_written = 0;
    qint64 m_hashed = 0;
    bool m_finishing = false; // result() waits: hash what is left, however little
    bool m_closing = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace corvane
