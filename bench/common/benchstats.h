#pragma once

// Figures and goals shared by the benchmarks. A figure is the median of its
// rounds with the min and max beside it; a goal line is printed for every
// goal, tab-separated after "GOAL", so that scripts/bench can gather them
// into one table. A benchmark exits non-zero when any goal is missed.

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

class Samples
{
public:
    void add(double value) { m_values.push_back(value); }
    int count() const { return int(m_values.size()); }
    double median() const
    {
        if (m_values.empty()) return 0;
        std::vector<double> sorted = m_values;
        std::sort(sorted.begin(), sorted.end());
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
    double min() const
    {
        return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
    }
    double max() const
    {
        return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end());
    }
    // "median (min..max)" with the given number of decimals.
    QString text(int decimals = 2) const
    {
        return QStringLiteral("%1 (%2..%3)")
            .arg(median(), 0, 'f', decimals)
            .arg(min(), 0, 'f', decimals)
            .arg(max(), 0, 'f', decimals);
    }

private:
    std::vector<double> m_values;
};

class Goals
{
public:
    explicit Goals(QString bench) : m_bench(std::move(bench)) {}

    // A median (or single figure) that must not exceed the limit.
    void atMost(const QString& what, double measured, double limit, const QString& shown = {})
    {
        report(what, shown.isEmpty() ? QString::number(measured, 'f', 2) : shown,
               QStringLiteral("<= %1").arg(limit), measured <= limit);
    }
    // A median (or single figure) that must reach the limit.
    void atLeast(const QString& what, double measured, double limit, const QString& shown = {})
    {
        report(what, shown.isEmpty() ? QString::number(measured, 'f', 2) : shown,
               QStringLiteral(">= %1").arg(limit), measured >= limit);
    }
    // A figure that must stay below the limit.
    void below(const QString& what, double measured, double limit, const QString& shown = {})
    {
        report(what, shown.isEmpty() ? QString::number(measured, 'f', 1) : shown,
               QStringLiteral("< %1").arg(limit), measured < limit);
    }
    // A condition such as "both sides give the same answers".
    void holds(const QString& what, bool ok, const QString& shown)
    {
        report(what, shown, QStringLiteral("holds"), ok);
    }

    int exitCode() const { return m_missed ? 1 : 0; }

private:
    void report(const QString& what, const QString& measured, const QString& limit, bool met)
    {
        m_missed = m_missed || !met;
        std::printf("GOAL\t%s\t%s\t%s\t%s\t%s\n", qPrintable(m_bench), qPrintable(what),
                    qPrintable(measured), qPrintable(limit), met ? "met" : "MISSED");
        std::fflush(stdout);
    }

    QString m_bench;
    bool m_missed = false;
};

// The number of rounds: "--rounds N" on the command line, or the default (5).
inline int roundsFrom(int argc, char** argv, int fallback = 5)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0) return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

// The sizes to measure: "--sizes 1000,10000" on the command line, or the defaults.
inline std::vector<int> sizesFrom(int argc, char** argv, std::vector<int> fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--sizes") != 0) continue;
        std::vector<int> sizes;
        for (const QString& size : QString::fromLocal8Bit(argv[i + 1]).split(u','))
            if (size.toInt() > 0) sizes.push_back(size.toInt());
        if (!sizes.empty()) return sizes;
    }
    return fallback;
}
