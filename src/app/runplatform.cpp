#include "runplatform.h"

#include "runlock.h"
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

QJsonObject windowState(const FormState& form)
{
    QJsonObject state;
    for (const Control* c : {&form.lblConnesso, &form.lblBDLocale, &form.lblDBDashmoor,
                             &form.lblVerProgLocale, &form.lblVerProgDashmoor, &form.lblEsito})
        state.insert(c->name(), labelState(*c));
    QJsonArray red;
    const FlexGrid& grid = form.FlexDb;
    for (int r = 1; r < grid.Rows(); ++r) {
        if (grid.cellColour(r, 2) != colour::Red) continue;
        red.append(QJsonArray{grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 2)});
    }
    state.insert(QStringLiteral("redRows"), red);
    return state;
}

} // namespace

RunPlatform::RunPlatform(PlatformPort& inner, RunTally& tally, bool quiet, std::FILE* out)
    : m_inner(inner), m_tally(tally), m_quiet(quiet), m_out(out)
{
    if (m_quiet) m_tally.setTranscript([this](const QJsonObject& event) { writeLine(event); });
}

RunPlatform::~RunPlatform()
{
    if (m_quiet) m_tally.setTranscript({});
}

Answer RunPlatform::messageBox(const QString& text, const QString& title, int style)
{
    if (style == style::Critical) m_tally.criticalBoxShown();
    const QString shownTitle = title.isEmpty() ? kApplicationTitle : title;
    Answer answer;
    if (m_quiet) {
        answer = style == style::YesNoQuestion ? Answer::No : Answer::Ok;
        writeLine({{QStringLiteral("event"), QStringLiteral("msgbox")},
                   {QStringLiteral("style"), style},
                   {QStringLiteral("title"), shownTitle},
                   {QStringLiteral("text"), text},
                   {QStringLiteral("answer"), answerName(answer)}});
    } else {
        answer = m_inner.messageBox(text, title, style);
    }
    m_tally.record(QStringLiteral("box [%1] style %2: %3 -> %4")
                       .arg(shownTitle)
                       .arg(style)
                       .arg(text, answerName(answer)));
    return answer;
}

QJsonObject RunPlatform::endEvent(int exitStatus) const
{
    QJsonObject event{{QStringLiteral("event"), QStringLiteral("end")},
                      {QStringLiteral("exit"), exitStatus},
                      {QStringLiteral("state"), m_form ? windowState(*m_form) : QJsonObject()}};
    const QJsonObject report = m_tally.report(m_form, QDateTime::currentDateTime());
    for (auto it = report.begin(); it != report.end(); ++it)
        event.insert(it.key(), it.value());
    return event;
}

void RunPlatform::endProgram(int exitCode)
{
    const int status = exitStatus(exitCode);
    const QJsonObject end = endEvent(status);
    QJsonObject summary = end;
    summary.remove(QStringLiteral("event"));
    summary.remove(QStringLiteral("exit"));
    summary.remove(QStringLiteral("state"));
    m_tally.record(
        QStringLiteral("end, exit status %1, %2")
            .arg(status)
            .arg(QString::fromUtf8(QJsonDocument(summary).toJson(QJsonDocument::Compact))));
    if (m_quiet) writeLine(end);
    // The next run in this folder may start as soon as this one has reported.
    if (m_lock) m_lock->unlock();
    m_inner.endProgram(status);
    std::abort(); // the inner platform never returns from endProgram
}

bool RunPlatform::launch(const QString& path)
{
    const bool started = m_inner.launch(path);
    m_tally.record(QStringLiteral("launch %1: %2")
                       .arg(path, started ? QStringLiteral("started") : QStringLiteral("failed")));
    return started;
}

bool RunPlatform::shellOpen(const QString& path, const QString& workingFolder)
{
    const bool opened = m_inner.shellOpen(path, workingFolder);
    m_tally.record(QStringLiteral("open %1: %2")
                       .arg(path, opened ? QStringLiteral("opened") : QStringLiteral("failed")));
    return opened;
}

void RunPlatform::writeLine(const QJsonObject& event)
{
    if (!m_out) return;
    const QByteArray json = QJsonDocument(event).toJson(QJsonDocument::Compact);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

} // namespace corvane
