#pragma once

#include "state/platform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

namespace corvane::test {

// Thrown where the program would end the process.
struct ProgramEnded
{
    int exitCode;
};

struct RecordedBox
{
    QString text;
    QString title;
    int style;
};

// The platform double of the tests. Each box the program shows must have been
// expected, in order, with the answer to give; an unexpected box fails the
// test (it is recorded and the answer is Ok/No, so the test sees it at the end).
class ScriptedPlatform : public PlatformPort
{
public:
    ScriptedPlatform();

    // Expect a box with this text (exact) and answer it.
    void expectBox(const QString& text, Answer answer = Answer::Ok);
    // Expect a box whose text starts with the prefix.
    void expectBoxStartingWith(const QString& prefix, Answer answer = Answer::Ok);
    // Every expected box was shown and no other.
    bool allBoxesAsExpected() const;
    QString explain() const; // what went wrong, for a failing QVERIFY2

    Answer messageBox(const QString& text, const QString& title, int style) override;
    void yield() override;
    [[noreturn]] void endProgram(int exitCode) override;
    bool launch(const QString& path) override;
    bool shellOpen(const QString& path, const QString& workingFolder) override;
    void setMousePointer(int pointerStyle) override;
    QStringList commandLine() const override { return arguments; }
    QString programFolder() const override { return folder; }
    QVersionNumber programVersion() const override { return version; }

    QStringList arguments;
    QString folder;
    QVersionNumber version{1, 2, 0};

    QList<RecordedBox> boxes;
    int yields = 0;
    int mousePointer = 0;
    QStringList launched;
    QList<QStringList> opened; // {path, working folder}
    bool launchSucceeds = true;
    // Called at every yield (after counting it), e.g. to deliver a timer tick.
    std::function<void()> onYield;
    // Called with the text of each box before it is answered, e.g. to look
    // at the window while the box is up.
    std::function<void(const QString&)> onBox;

private:
    struct Expected
    {
        QString text;
        bool prefix;
        Answer answer;
    };
    std::deque<Expected> m_expected;
    QStringList m_problems;
};

} // namespace corvane::test
