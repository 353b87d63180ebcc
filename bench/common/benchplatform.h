#pragma once

// The platform of the benchmarks: a yield runs the event loop as the window's
// does, every box is answered OK, and the longest stretch without an
// event-loop pass is kept with where it ended.

#include "state/platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <functional>

class BenchPlatform : public corvane::PlatformPort
{
public:
    BenchPlatform() { start(); }

    corvane::Answer messageBox(const QString& text, const QString&, int) override
    {
        boxes << text;
        if (echoBoxes) std::fprintf(stderr, "box: %s\n", qPrintable(text));
        // A modal box runs the event loop while it is up.
        mark();
        return corvane::Answer::Ok;
    }
    void yield() override
    {
        ++yields;
        if (minPassIntervalMs > 0 && m_sinceMark.nsecsElapsed() < minPassIntervalMs * 1000000)
            return;
        mark();
        QCoreApplication::processEvents();
        ++passes;
    }
    [[noreturn]] void endProgram(int code) override { std::exit(code); }
    bool launch(const QString&) override { return false; }
    bool shellOpen(const QString&, const QString&) override { return false; }
    void setMousePointer(int) override {}
    QStringList commandLine() const override { return {}; }
    QString programFolder() const override { return folder; }
    QVersionNumber programVersion() const override { return {1, 2, 0}; }

    // Starts a measurement: counters and the longest gap back to zero.
    void start()
    {
        longestGapMs = 0;
        longestGapEnd.clear();
        yields = passes = 0;
        m_sinceStart.start();
        m_sinceMark.start();
    }
    // An event-loop pass happens now: closes the stretch since the last one.
    void mark()
    {
        const double gap = m_sinceMark.nsecsElapsed() / 1e6;
        if (reportGapsOverMs > 0 && gap > reportGapsOverMs)
            std::fprintf(stderr, "gap of %.0f ms ending at %lld ms, %s\n", gap,
                         static_cast<long long>(m_sinceStart.elapsed()),
                         phase ? qPrintable(phase()) : "");
        if (gap > longestGapMs) {
            longestGapMs = gap;
            longestGapEnd = phase ? phase() : QString();
        }
        m_sinceMark.restart();
    }

    QString folder;
    // At most one event-loop pass per this many ms (0: one at every yield).
    qint64 minPassIntervalMs = 0;
    // What the window shows, to tell where the longest stretch ended.
    std::function<QString()> phase;
    bool echoBoxes = false;
    double reportGapsOverMs = 0; // gaps above this go to stderr (0: none)

    double longestGapMs = 0;
    QString longestGapEnd;
    long yields = 0;
    long passes = 0;
    QStringList boxes;

private:
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_sinceMark;
};
