#include "qtmessages.h"

#include "state/eventlog.h"

#include <QMutex>
#include <QStringList>
#include <QtGlobal>
#include <cstdio>

namespace corvane {

namespace {

struct Route
{
    QMutex mutex;
    EventLog* log = nullptr;
    QStringList pending;
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

Route& route()
{
    static Route r;
    return r;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Route& r = route();
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        if (r.previous) {
            r.previous(type, context, message);
        } else {
            const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit();
            std::fprintf(stderr, "%s\n", text.constData());
            std::fflush(stderr);
        }
        return;
    }
    const QString line = QStringLiteral("qt: ") + message;
    const QMutexLocker lock(&r.mutex);
    if (r.log)
        r.log->record(line);
    else
        r.pending << line;
}

} // namespace

void keepQtWarningsFromStderr()
{
    Route& r = route();
    if (r.installed) return;
    r.previous = qInstallMessageHandler(handle);
    r.installed = true;
}

void sendQtWarningsTo(EventLog& log)
{
    keepQtWarningsFromStderr();
    Route& r = route();
    const QMutexLocker lock(&r.mutex);
    r.log = &log;
    for (const QString& line : std::as_const(r.pending))
        log.record(line);
    r.pending.clear();
}

void restoreQtWarnings()
{
    Route& r = route();
    if (r.installed) qInstallMessageHandler(r.previous);
    const QMutexLocker lock(&r.mutex);
    r.installed = false;
    r.log = nullptr;
    r.pending.clear();
}

} // namespace corvane
