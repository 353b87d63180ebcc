#include "app/runplatform.h"
#include "state/formstate.h"
#include "state/runlog.h"
#include "support/scriptedplatform.h"
#include "support/world.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

using namespace corvane;

namespace {

// Standard output of a quiet run, captured in a temporary file.
struct Capture
{
    std::FILE* file = std::tmpfile();
    ~Capture() { std::fclose(file); }
    QList<QJsonObject> events()
    {
        std::fflush(file);
        std::rewind(file);
        QByteArray all;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            all.append(buffer, qsizetype(n));
        QList<QJsonObject> out;
        for (const QByteArray& line : all.split('\n'))
            if (!line.isEmpty()) out << QJsonDocument::fromJson(line).object();
        return out;
    }
};

} // namespace

class TestRunPlatform : public QObject
{
    Q_OBJECT
private slots:
    void quietArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("quiet");
        QTest::newRow("none") << QStringList{} << false;
        QTest::newRow("/Q") << QStringList{"/A", "/Q"} << true;
        QTest::newRow("/q") << QStringList{"/q"} << true;
        QTest::newRow("joined") << QStringList{"/A/Q"} << true;
        QTest::newRow("/A only") << QStringList{"/A"} << false;
    }
    void quietArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, quiet);
        QCOMPARE(quietRequested(arguments), quiet);
    }

    void quietBoxesAreAnsweredAndWritten_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("exit");
        QTest::newRow("question") << 36 << "no" << 0;
        QTest::newRow("critical") << 16 << "ok" << 1;
        QTest::newRow("information") << 64 << "ok" << 0;
        QTest::newRow("plain") << 0 << "ok" << 0;
    }
    void quietBoxesAreAnsweredAndWritten()
    {
        QFETCH(int, style);
        QFETCH(QString, answer);
        QFETCH(int, exit);
        test::ScriptedPlatform inner;
        test::RecordingLog log;
        Capture out;
        RunPlatform port(inner, log, true, out.file);
        const Answer a = port.messageBox(QStringLiteral("Riga 1\r\n\"due\""), QString(), style);
        QCOMPARE(a, answer == "no" ? Answer::No : Answer::Ok);
        QVERIFY(inner.boxes.isEmpty()); // nothing shown
        const QList<QJsonObject> events = out.events();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0]["event"].toString(), QStringLiteral("msgbox"));
        QCOMPARE(events[0]["style"].toInt(), style);
        QCOMPARE(events[0]["title"].toString(), QStringLiteral("Corvane Update"));
        QCOMPARE(events[0]["text"].toString(), QStringLiteral("Riga 1\r\n\"due\""));
        QCOMPARE(events[0]["answer"].toString(), answer);
        QCOMPARE(port.exitStatus(0), exit);
        QCOMPARE(port.exitStatus(2), 2);
        QCOMPARE(log.lines.size(), 1);
        QVERIFY(log.lines[0].endsWith(QStringLiteral("-> ") + answer));
    }

    void shownBoxesGoToTheInnerPlatform()
    {
        test::ScriptedPlatform inner;
        inner.expectBox(QStringLiteral("Continuare?"), Answer::Yes);
        test::RecordingLog log;
        Capture out;
        RunPlatform port(inner, log, false, out.file);
        QCOMPARE(port.messageBox(QStringLiteral("Continuare?"), QStringLiteral("Attenzione"), 36),
                 Answer::Yes);
        QVERIFY(inner.allBoxesAsExpected());
        QVERIFY(out.events().isEmpty());
        QCOMPARE(log.lines.size(), 1);
    }

    void endWritesTheWindowState()
    {
        FormState form;
        form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));
        form.lblConnesso.setForeColour(colour::ConnectedGreen);
        form.lblVerProgLocale.setCaption(QStringLiteral("2.0.15"));
        form.FlexDb.setRows(4);
        const QStringList rows[] = {{"Clienti", "", "La Tabella non Esiste in Locale !!"},
                                    {"Clienti", "Codice", "OK"},
                                    {"(V)VProdotto", "", "La Vista non Esiste in Locale !!"}};
        for (int r = 1; r <= 3; ++r) {
            form.FlexDb.setRow(r);
            for (int c = 0; c < 3; ++c) {
                form.FlexDb.setTextMatrix(r, c, rows[r - 1][c]);
                form.FlexDb.setCol(c);
                form.FlexDb.setCellBackColor(rows[r - 1][2] == "OK" ? colour::Green : colour::Red);
            }
        }
        test::ScriptedPlatform inner;
        test::RecordingLog log;
        Capture out;
        RunPlatform port(inner, log, true, out.file);
        port.setForm(&form);
        port.messageBox(QStringLiteral("x"), QStringLiteral("y"), 16);
        try {
            port.endProgram(0);
            QFAIL("did not end");
        } catch (const test::ProgramEnded& e) {
            QCOMPARE(e.exitCode, 1);
        }
        const QJsonObject end = out.events().last();
        QCOMPARE(end["event"].toString(), QStringLiteral("end"));
        QCOMPARE(end["exit"].toInt(), 1);
        const QJsonObject state = end["state"].toObject();
        QCOMPARE(state.keys().size(), 7);
        QCOMPARE(state["lblConnesso"].toObject()["caption"].toString(),
                 QStringLiteral("DB Connesso"));
        QCOMPARE(state["lblConnesso"].toObject()["colour"].toInt(), 0xC000);
        QCOMPARE(state["lblVerProgLocale"].toObject()["caption"].toString(),
                 QStringLiteral("2.0.15"));
        QCOMPARE(state["lblBDLocale"].toObject()["colour"].toInt(), 255);
        const QJsonArray red = state["redRows"].toArray();
        QCOMPARE(red.size(), 2);
        QCOMPARE(red[0].toArray()[0].toString(), QStringLiteral("Clienti"));
        QCOMPARE(red[1].toArray()[0].toString(), QStringLiteral("(V)VProdotto"));
        QVERIFY(log.lines.last().contains(QStringLiteral("exit status 1")));
    }

    void launchAndOpenAreLogged()
    {
        test::ScriptedPlatform inner;
        inner.launchSucceeds = false;
        test::RecordingLog log;
        RunPlatform port(inner, log, false, nullptr);
        QVERIFY(!port.launch(QStringLiteral("/x/Corvane.exe")));
        QVERIFY(log.lines.last().contains(QStringLiteral("failed")));
        QVERIFY(port.shellOpen(QStringLiteral("/x/a.msi"), QStringLiteral("/x")));
        QCOMPARE(inner.opened.size(), 1);
    }

    void logAppendsAndRotates()
    {
        QTemporaryDir dir;
        RunLog log(dir.path(), 200);
        log.record(QStringLiteral("first\r\nsecond"));
        QFile file(log.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray first = file.readAll();
        file.close();
        QVERIFY(first.endsWith("first | second\n"));
        QCOMPARE(first.count('\n'), 1);
        for (int i = 0; i < 20; ++i)
            log.record(QStringLiteral("event %1").arg(i));
        QVERIFY(QFile(log.path()).size() <= 200);
        QVERIFY(QFile::exists(log.path() + QStringLiteral(".1")));
        QVERIFY(QFile(log.path() + QStringLiteral(".1")).size() <= 200);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith("event 19\n"));
    }

    void unwritableLogNeverStopsTheRun()
    {
        RunLog log(QStringLiteral("/proc/no-such-folder"));
        log.record(QStringLiteral("nothing happens")); // must not throw
        QVERIFY(!QFile::exists(log.path()));
    }
};

QTEST_GUILESS_MAIN(TestRunPlatform)
#include "test_runplatform.moc"
