#include "support/programworld.h"

#include <QFile>
#include <QtTest>

using namespace corvane;

namespace {

// A program folder whose start-up yields once for longer than Timer1's
// interval, so that the tick falls inside the start-up sequence.
struct SlowStart : test::ProgramWorld
{
    bool waited = false;

    explicit SlowStart(const QStringList& arguments, bool withExecutable)
    {
        port.arguments = arguments;
        if (!withExecutable) QFile::remove(file(QStringLiteral("Corvane.exe")));
        port.onYield = [this] {
            if (waited) return;
            waited = true;
            QTest::qWait(form->Timer1.interval() + 300); // the tick is delivered in here
        };
        port.expectBox(test::kFtpUnreachable);
    }
};

} // namespace

class TestAutoRun : public QObject
{
    Q_OBJECT
private slots:
    // In automatic mode the running-program check comes first: a tick taken
    // during the start-up sequence does not start the automatic run there.
    void tickInsideStartupWaitsForTheRunningCheck()
    {
        SlowStart s({QStringLiteral("/A")}, false);
        s.port.expectBoxStartingWith(QStringLiteral("C'è Corvane Aperto in Qualche Terminale!!"));
        try {
            s.form->Form_Load();
            QFAIL("the start-up sequence did not end the program");
        } catch (const test::ProgramEnded& e) {
            QCOMPARE(e.exitCode, 2);
        }
        QVERIFY(s.waited);
        QVERIFY2(s.port.allBoxesAsExpected(), qPrintable(s.port.explain()));
        QVERIFY(!s.form->Frame1.visible());
        QVERIFY(s.form->CommandAggiungiProvvigione.visible());
        QCOMPARE(s.form->FlexDb.Rows(), 2); // no comparison ran
    }

    // The tick is kept, not lost: it runs once the sequence has returned.
    void tickInsideStartupRunsAfterIt()
    {
        SlowStart s({}, true);
        s.form->Form_Load();
        QVERIFY(s.waited);
        QVERIFY(s.form->enabled());
        QVERIFY(s.form->Timer1.enabled()); // not handled yet
        QTRY_VERIFY_WITH_TIMEOUT(!s.form->Timer1.enabled(), 1000);
        QVERIFY2(s.port.allBoxesAsExpected(), qPrintable(s.port.explain()));
    }
};

QTEST_GUILESS_MAIN(TestAutoRun)
#include "test_autorun.moc"
