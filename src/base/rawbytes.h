#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// Names from outside (an FTP listing, a folder on disk) are bytes that need
// not be UTF-8. Valid UTF-8 decodes as usual; every other byte becomes the
// lone surrogate U+DC80 + byte, so toRawBytes gives back exactly the bytes
// that came in (the "surrogateescape" rule).
QString fromRawBytes(const QByteArray& bytes);
QByteArray toRawBytes(const QString& text);

} // namespace corvane
