#include "scriptedplatform.h"

namespace corvane::test {

ScriptedPlatform::ScriptedPlatform() = default;

void ScriptedPlatform::expectBox(const QString& text, Answer answer)
{
    m_expected.push_back({text, false, answer});
}

void ScriptedPlatform::expectBoxStartingWith(const QString& prefix, Answer answer)
{
    m_expected.push_back({prefix, true, answer});
}

bool ScriptedPlatform::allBoxesAsExpected() const
{
    return m_problems.isEmpty() && m_expected.empty();
}

QString ScriptedPlatform::explain() const
{
    QStringList lines = m_problems;
    for (const Expected& e : m_expected)
        lines << QStringLiteral("box never shown: ") + e.text;
    return lines.join(QLatin1Char('\n'));
}

Answer ScriptedPlatform::messageBox(const QString& text, const QString& title, int style)
{
    if (onBox) onBox(text);
    boxes.append({text, title, style});
    if (m_expected.empty()) {
        m_problems << QStringLiteral("unexpected box: [%1] %2").arg(title, text);
        return style == style::YesNoQuestion ? Answer::No : Answer::Ok;
    }
    const Expected e = m_expected.front();
    const bool match = e.prefix ? text.startsWith(e.text) : text == e.text;
    if (!match) {
        m_problems
            << QStringLiteral("box [%1] %2 shown where %3 was expected").arg(title, text, e.text);
        return style == style::YesNoQuestion ? Answer::No : Answer::Ok;
    }
    m_expected.pop_front();
    return e.answer;
}

void ScriptedPlatform::yield()
{
    ++yields;
    if (onYield) onYield();
}

void ScriptedPlatform::endProgram(int exitCode)
{
    throw ProgramEnded{exitCode};
}

bool ScriptedPlatform::launch(const QString& path)
{
    launched << path;
    return launchSucceeds;
}

bool ScriptedPlatform::shellOpen(const QString& path, const QString& workingFolder)
{
    opened << QStringList{path, workingFolder};
    return true;
}

void ScriptedPlatform::setMousePointer(int pointerStyle)
{
    mousePointer = pointerStyle;
}

} // namespace corvane::test
