#include "runlog.h"

#include "appendfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace corvane {

RunLog::RunLog(QString folder, qint64 limitBytes)
    : m_folder(std::move(folder)), m_limit(limitBytes),
      m_process(QCoreApplication::applicationPid())
{
}

QString RunLog::path() const
{
    return QDir(m_folder).filePath(QStringLiteral("CorvaneUpdate.log"));
}

void RunLog::record(const QString& line)
{
    // The process id tells apart the lines of two runs in one folder.
    QByteArray entry = QDateTime::currentDateTime()
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss [%1] "))
                           .arg(m_process)
                           .toUtf8();
    // One event, one line: line breaks inside a message are shown as " | ".
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    text.replace(QLatin1Char('\n'), QStringLiteral(" | "));
    text.replace(QLatin1Char('\r'), QStringLiteral(" | "));
    entry += text.toUtf8() + '\n';

    const QString file = path();
    // Only a log that is a plain file moves aside; anything else is not ours.
    const QFileInfo info(file);
    if (info.isFile() && info.size() + entry.size() > m_limit) {
        const QString old = file + QStringLiteral(".1");
        QFile::remove(old);
        QFile::rename(file, old);
    }
    appendToRegularFile(file, entry);
}

} // namespace corvane
