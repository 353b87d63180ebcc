#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// Appends `bytes` to the regular file at `path`, creating it. Anything else
// under that name (a FIFO, a device, a folder) is left alone, and the call
// never waits for a reader. False when nothing was written.
bool appendToRegularFile(const QString& path, const QByteArray& bytes);

} // namespace corvane
