#include "runplatform.h"

#include "state/formstate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>

namespace corvane {

namespace {

QString answerName(Answer a)
{
    switch (a) {
    case Answer::Yes:
        return QStringLiteral("yes");
    case Answer::No:
        return QStringLiteral("no");
    case Answer::Ok:
        break;
    }
    return QStringLiteral("ok");
}

QJsonObject labelState(const Control& c)
{
    return QJsonObject{{QStringLiteral("caption"), c.caption()},
                       {QStringLiteral("colour"), c.foreColour()}};
}

bool switchGiven(const QStringList& arguments, const QString& name)
{
    return arguments.join(QLatin1Char(' ')).toUpper().contains(name);
}

} // namespace

bool quietRequested(const QStringList& arguments)
{
    return switchGiven(arguments, QStringLiteral("/Q"));
}

bool automaticRequested(const QStringList& arguments)
{
    return switchGiven(arguments, QStringLiteral("/A"));
}

RunPlatform::RunPlatform(PlatformPort& inner, EventLog& log, bool quiet, std::FILE* out)
    : m_inner(inner), m_log(log), m_quiet(quiet), m_out(out)
{
}

int RunPlatform::exitStatus(int requested) const
{
    if (requested == kExitStartupEnded) return kExitStartupEnded;
    return m_criticalShown ? kExitCriticalShown : requested;
}

Answer RunPlatform::messageBox(const QString& text, const QString& title, int style)
{
    if (style == style::Critical) m_criticalShown = true;
    const QString shownTitle = title.isEmpty() ? kApplicationTitle : title;
    Answer answer;
    if (m_quiet) {
        answer = style == style::YesNoQuestion ? Answer::No : Answer::Ok;
        writeLine(QJsonDocument(QJsonObject{{QStringLiteral("event"), QStringLiteral("msgbox")},
                                            {QStringLiteral("style"), style},
                                            {QStringLiteral("title"), shownTitle},
                                            {QStringLiteral("text"), text},
                                            {QStringLiteral("answer"), answerName(answer)}})
                      .toJson(QJsonDocument::Compact));
    } else {
        answer = m_inner.messageBox(text, title, style);
    }
    m_log.record(QStringLiteral("box [%1] style %2: %3 -> %4")
                     .arg(shownTitle)
                     .arg(style)
                     .arg(text, answerName(answer)));
    return answer;
}

QByteArray RunPlatform::endEvent(int exitStatus, const FormState* form)
{
    QJsonObject state;
    if (form) {
        for (const Control* c :
             {&form->lblConnesso, &form->lblBDLocale, &form->lblDBDashmoor, &form->lblVerProgLocale,
              &form->lblVerProgDashmoor, &form->lblEsito})
            state.insert(c->name(), labelState(*c));
        QJsonArray red;
        const FlexGrid& grid = form->FlexDb;
        for (int r = 1; r < grid.Rows(); ++r) {
            if (grid.cellColour(r, 2) != colour::Red) continue;
            red.append(
                QJsonArray{grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 2)});
        }
        state.insert(QStringLiteral("redRows"), red);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("event"), QStringLiteral("end")},
                                     {QStringLiteral("exit"), exitStatus},
                                     {QStringLiteral("state"), state}})
        .toJson(QJsonDocument::Compact);
}

void RunPlatform::endProgram(int exitCode)
{
    const int status = exitStatus(exitCode);
    m_log.record(QStringLiteral("end, exit status %1").arg(status));
    if (m_quiet) writeLine(endEvent(status, m_form));
    m_inner.endProgram(status);
    std::abort(); // the inner platform never returns from endProgram
}

bool RunPlatform::launch(const QString& path)
{
    const bool started = m_inner.launch(path);
    m_log.record(QStringLiteral("launch %1: %2")
                     .arg(path, started ? QStringLiteral("started") : QStringLiteral("failed")));
    return started;
}

bool RunPlatform::shellOpen(const QString& path, const QString& workingFolder)
{
    const bool opened = m_inner.shellOpen(path, workingFolder);
    m_log.record(QStringLiteral("open %1: %2")
                     .arg(path, opened ? QStringLiteral("opened") : QStringLiteral("failed")));
    return opened;
}

void RunPlatform::writeLine(const QByteArray& json)
{
    if (!m_out) return;
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

} // namespace corvane
