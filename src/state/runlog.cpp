#include "runlog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace corvane {

RunLog::RunLog(QString folder, qint64 limitBytes) : m_folder(std::move(folder)), m_limit(limitBytes)
{
}

QString RunLog::path() const
{
    return QDir(m_folder).filePath(QStringLiteral("CorvaneUpdate.log"));
}

void RunLog::record(const QString& line)
{
    QByteArray entry =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")).toUtf8();
    // One event, one line: line breaks inside a message are shown as " | ".
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    text.replace(QLatin1Char('\n'), QStringLiteral(" | "));
    text.replace(QLatin1Char('\r'), QStringLiteral(" | "));
    entry += text.toUtf8() + '\n';

    const QString file = path();
    if (QFile(file).size() + entry.size() > m_limit) {
        const QString old = file + QStringLiteral(".1");
        QFile::remove(old);
        QFile::rename(file, old);
    }
    QFile log(file);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) log.write(entry);
}

} // namespace corvane
