#pragma once

#include <QByteArray>
#include <QFile>
#ifdef __GLIBC__
#include <malloc.h>
#endif

// The process's peak resident memory (VmHWM) in KiB; -1 where /proc has none.
inline long peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts a new peak: the kernel sets VmHWM back to the current resident size,
// once the allocator has handed back what earlier work freed.
inline void resetPeakMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}
