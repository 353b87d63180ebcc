#include "app/runplatform.h"
#include "app/switches.h"
#include "state/formstate.h"
#include "support/scriptedplatform.h"
#include "support/world.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

void setRow(FlexGrid& grid, int r, const QStringList& texts, int colour)
{
    grid.setRow(r);
    for (int c = 0; c < 3; ++c) {
        grid.setTextMatrix(r, c, texts.value(c));
        grid.setCol(c);
        grid.setCellBackColor(colour);
    }
}

// The window as a run leaves it when everything is up to date; each case of
// the tests below spoils one thing.
void upToDate(FormState& form)
{
    form.lblEsito.setCaption(QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!"));
    for (Control* c : {&form.lblBDLocale, &form.lblDBDashmoor})
        c->setCaption(QStringLiteral("2.1"));
    for (Control* c : {&form.lblVerProgLocale, &form.lblVerProgDashmoor})
        c->setCaption(QStringLiteral("2.0.15"));
    for (Control* c :
         {&form.lblBDLocale, &form.lblDBDashmoor, &form.lblVerProgLocale, &form.lblVerProgDashmoor})
        c->setForeColour(colour::Green);
    form.FlexDb.setRows(3);
    setRow(form.FlexDb, 1, {QStringLiteral("Clienti"), QString(), QStringLiteral("OK")},
           colour::Green);
    setRow(form.FlexDb, 2,
           {QStringLiteral("Clienti"), QStringLiteral("Codice"), QStringLiteral("OK")},
           colour::Green);
}

int endCode(RunPlatform& port, int requested)
{
    try {
        port.endProgram(requested);
    } catch (const test::ProgramEnded& e) {
        return e.exitCode;
    }
    return -1;
}

} // namespace

class TestRunPlatform : public QObject
{
    Q_OBJECT
private slots:
    void switches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // automatic quiet preview help version check
        QTest::newRow("none") << QStringList{} << "------";
        QTest::newRow("/A /Q") << QStringList{"/A", "/Q"} << "AQ---.";
        QTest::newRow("/q alone: check only") << QStringList{"/q"} << "-Q---C";
        QTest::newRow("/Q /P: preview") << QStringList{"/Q", "/p"} << "-QP--P";
        QTest::newRow("/A /Q /P: still a preview") << QStringList{"/A", "/Q", "/P"} << "AQP--P";
        QTest::newRow("/P without /Q") << QStringList{"/P"} << "--P---";
        QTest::newRow("/Q inside a path") << QStringList{"C:/Quadri/x"} << "------";
        QTest::newRow("/Q joined to /A") << QStringList{"/A/Q"} << "A-----";
        QTest::newRow("/a inside a path, as always") << QStringList{"D:/archivio"} << "A-----";
        QTest::newRow("--help") << QStringList{"--help"} << "---H--";
        QTest::newRow("/?") << QStringList{"/Q", "/?"} << "-Q-H-C";
        QTest::newRow("--version") << QStringList{"--VERSION"} << "----V-";
        QTest::newRow("--helpme") << QStringList{"--helpme"} << "------";
    }
    void switches()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const RunSwitches s = parseSwitches(arguments);
        QString got;
        got += s.automatic ? u'A' : u'-';
        got += s.quiet ? u'Q' : u'-';
        got += s.preview ? u'P' : u'-';
        got += s.help ? u'H' : u'-';
        got += s.version ? u'V' : u'-';
        got += s.previewRun() ? u'P' : s.checkOnly() ? u'C' : s.quiet ? u'.' : u'-';
        QCOMPARE(got, expected);
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
        RunTally tally(log);
        Capture out;
        RunPlatform port(inner, tally, true, out.file);
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
        // Without a window there is nothing to judge beyond the boxes.
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
        RunTally tally(log);
        Capture out;
        RunPlatform port(inner, tally, false, out.file);
        QCOMPARE(port.messageBox(QStringLiteral("Continuare?"), QStringLiteral("Attenzione"), 36),
                 Answer::Yes);
        QVERIFY(inner.allBoxesAsExpected());
        QVERIFY(out.events().isEmpty());
        QCOMPARE(log.lines.size(), 1);
    }

    // Exit 0 only when the run ended up to date, whatever way it ended.
    void exitStatusTellsTheTruth_data()
    {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("exit");
        QTest::newRow("up to date") << "" << 0 << 0;
        QTest::newRow("a red row left") << "red row" << 0 << 3;
        QTest::newRow("database versions differ") << "db version" << 0 << 3;
        QTest::newRow("never compared") << "no comparison" << 0 << 3;
        QTest::newRow("some tables outdated") << "outdated" << 0 << 3;
        QTest::newRow("newer program published") << "program behind" << 0 << 3;
        QTest::newRow("no published version read") << "program unknown" << 0 << 3;
        QTest::newRow("a critical box") << "critical" << 0 << 1;
        QTest::newRow("critical box and red rows") << "critical+red row" << 0 << 1;
        QTest::newRow("start-up ended it") << "critical" << 2 << 2;
        QTest::newRow("start-up ended it, no box") << "" << 2 << 2;
    }
    void exitStatusTellsTheTruth()
    {
        QFETCH(QString, spoil);
        QFETCH(int, requested);
        QFETCH(int, exit);
        FormState form;
        upToDate(form);
        test::ScriptedPlatform inner;
        test::RecordingLog log;
        RunTally tally(log);
        Capture out;
        RunPlatform port(inner, tally, true, out.file);
        port.setForm(&form);
        if (spoil.contains(QLatin1String("red row"))) {
            form.FlexDb.setRows(4);
            setRow(form.FlexDb, 3,
                   {QStringLiteral("(V)VProdotto"), QString(),
                    QStringLiteral("La Vista non Esiste in Locale !!")},
                   colour::Red);
        }
        if (spoil == QLatin1String("db version")) {
            form.lblBDLocale.setCaption(QStringLiteral("2.0"));
            form.lblBDLocale.setForeColour(colour::Red);
            form.lblDBDashmoor.setForeColour(colour::Red);
        }
        if (spoil == QLatin1String("no comparison")) form.lblEsito.setCaption(QString());
        if (spoil == QLatin1String("outdated"))
            form.lblEsito.setCaption(
                QStringLiteral("Alcune Tabelle/Viste non Sono Aggiornate !!!"));
        if (spoil.startsWith(QLatin1String("program"))) {
            form.lblVerProgDashmoor.setCaption(spoil.endsWith(QLatin1String("behind"))
                                                   ? QStringLiteral("2.0.16")
                                                   : QStringLiteral("Nessuna"));
            form.lblVerProgDashmoor.setForeColour(colour::Red);
            form.lblVerProgLocale.setForeColour(colour::Red);
        }
        if (spoil.startsWith(QLatin1String("critical")))
            port.messageBox(QStringLiteral("ERRORE !!"), QStringLiteral("ATTENZIONE"), 16);

        QCOMPARE(port.exitStatus(requested), exit);
        QCOMPARE(endCode(port, requested), exit);
        const QJsonObject end = out.events().last();
        QCOMPARE(end["exit"].toInt(), exit);
        QVERIFY(log.lines.last().startsWith(QStringLiteral("end, exit status %1, {").arg(exit)));
    }

    // The verdict of each half says which one failed or is behind.
    void verdictPerHalf_data()
    {
        QTest::addColumn<QString>("spoil");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("program");
        QTest::newRow("both up to date") << ""
                                         << "up-to-date"
                                         << "up-to-date";
        QTest::newRow("database box") << "database box"
                                      << "failed"
                                      << "up-to-date";
        QTest::newRow("program box inside a database step") << "program box"
                                                            << "up-to-date"
                                                            << "failed";
        QTest::newRow("red rows, program behind") << "behind"
                                                  << "behind"
                                                  << "behind";
        QTest::newRow("nothing checked") << "unchecked"
                                         << "not-checked"
                                         << "not-checked";
    }
    void verdictPerHalf()
    {
        QFETCH(QString, spoil);
        QFETCH(QString, database);
        QFETCH(QString, program);
        FormState form;
        upToDate(form);
        test::ScriptedPlatform inner;
        test::RecordingLog log;
        RunTally tally(log);
        RunPlatform port(inner, tally, true, nullptr);
        port.setForm(&form);
        {
            const HalfScope db(tally, RunHalf::Database);
            if (spoil == QLatin1String("database box"))
                port.messageBox(QStringLiteral("Il Database non Connesso!!"), QString(), 16);
            if (spoil == QLatin1String("program box")) {
                // The comparison ends with the program version check.
                const HalfScope prog(tally, RunHalf::Program);
                port.messageBox(QStringLiteral("Errore Connessione FTP"), QString(), 16);
            }
        }
        if (spoil == QLatin1String("behind")) {
            form.FlexDb.setRows(4);
            setRow(form.FlexDb, 3, {QStringLiteral("Agenti"), QString(), QStringLiteral("x")},
                   colour::Red);
            form.lblVerProgDashmoor.setCaption(QStringLiteral("2.0.16"));
            form.lblVerProgDashmoor.setForeColour(colour::Red);
        }
        if (spoil == QLatin1String("unchecked")) {
            FormState fresh;
            port.setForm(&fresh);
            const QJsonObject end = port.endEvent(0);
            QCOMPARE(end["database"].toObject()["verdict"].toString(), database);
            QCOMPARE(end["program"].toObject()["verdict"].toString(), program);
            return;
        }
        const QJsonObject end = port.endEvent(port.exitStatus(0));
        QCOMPARE(end["database"].toObject()["verdict"].toString(), database);
        QCOMPARE(end["program"].toObject()["verdict"].toString(), program);
    }

    void endReportsTheWindowAndWhatTheRunDid()
    {
        FormState form;
        form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));
        form.lblConnesso.setForeColour(colour::ConnectedGreen);
        form.lblVerProgLocale.setCaption(QStringLiteral("2.0.15"));
        form.FlexDb.setRows(4);
        setRow(form.FlexDb, 1,
               {QStringLiteral("Clienti"), QString(),
                QStringLiteral("La Tabella non Esiste in Locale !!")},
               colour::Red);
        setRow(form.FlexDb, 2,
               {QStringLiteral("Clienti"), QStringLiteral("Codice"), QStringLiteral("OK")},
               colour::Green);
        setRow(form.FlexDb, 3,
               {QStringLiteral("(V)VProdotto"), QString(),
                QStringLiteral("La Vista non Esiste in Locale !!")},
               colour::Red);
        test::ScriptedPlatform inner;
        test::RecordingLog log;
        const QDateTime started = QDateTime::currentDateTime().addSecs(-90);
        RunTally tally(log, started);
        Capture out;
        RunPlatform port(inner, tally, true, out.file);
        port.setForm(&form);
        const auto sql = [](const char* s) { return QString::fromLatin1(s); };
        tally.note(RunEvent::StatementExecuted, sql("executed 1"), sql("CREATE TABLE a"));
        tally.note(RunEvent::TableCreated, sql("created a"), sql("a"));
        tally.note(RunEvent::StatementExecuted, sql("executed 2"), sql("ALTER TABLE b ADD c"));
        tally.note(RunEvent::ColumnAdded, sql("added b.c"), sql("b.c"));
        tally.note(RunEvent::StatementFailed, sql("failed"), sql("CREATE VIEW v"));
        tally.note(RunEvent::RowInserted, sql("row"), sql("Select * FROM Iva"));
        tally.note(RunEvent::RowInserted, sql("row"), sql("Select * FROM Iva"));
        tally.note(RunEvent::FileFetched, sql("fetched"), sql("CORVANE.EXE"), 209715200);
        tally.note(RunEvent::ExecutableReplaced, sql("replaced"));
        QCOMPARE(endCode(port, 0), 3);

        const QJsonObject end = out.events().last();
        QCOMPARE(end["event"].toString(), QStringLiteral("end"));
        QCOMPARE(end["exit"].toInt(), 3);
        const QJsonObject state = end["state"].toObject();
        QCOMPARE(state.keys().size(), 7);
        QCOMPARE(state["lblConnesso"].toObject()["caption"].toString(),
                 QStringLiteral("DB Connesso"));
        QCOMPARE(state["lblConnesso"].toObject()["colour"].toInt(), 0xC000);
        QCOMPARE(state["lblBDLocale"].toObject()["colour"].toInt(), 255);
        const QJsonArray red = state["redRows"].toArray();
        QCOMPARE(red.size(), 2);
        QCOMPARE(red[0].toArray()[0].toString(), QStringLiteral("Clienti"));
        QCOMPARE(red[1].toArray()[0].toString(), QStringLiteral("(V)VProdotto"));

        const QDateTime from = QDateTime::fromString(end["started"].toString(), Qt::ISODateWithMs);
        const QDateTime to = QDateTime::fromString(end["ended"].toString(), Qt::ISODateWithMs);
        QVERIFY(from.isValid() && to.isValid());
        QCOMPARE(from, started);
        QVERIFY(qAbs(end["seconds"].toDouble() - from.msecsTo(to) / 1000.0) < 0.002);
        QVERIFY(end["seconds"].toDouble() >= 90);

        const QJsonObject db = end["database"].toObject();
        QCOMPARE(db["verdict"].toString(), QStringLiteral("behind"));
        QCOMPARE(db["tablesCreated"].toInt(), 1);
        QCOMPARE(db["columnsAdded"].toInt(), 1);
        QCOMPARE(db["viewsCreated"].toInt(), 0);
        QCOMPARE(db["statementsExecuted"].toInt(), 2);
        QCOMPARE(db["statementsFailed"].toInt(), 1);
        QCOMPARE(db["defaultRowsInserted"].toInt(), 2);
        QCOMPARE(db["versionWritten"].toBool(), false);
        const QJsonObject program = end["program"].toObject();
        QCOMPARE(program["executableReplaced"].toBool(), true);
        const QJsonArray files = program["filesFetched"].toArray();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files[0].toObject()["name"].toString(), QStringLiteral("CORVANE.EXE"));
        QCOMPARE(files[0].toObject()["bytes"].toInteger(), 209715200);
        // The run log keeps every event's line and the report.
        QVERIFY(log.lines.contains(QStringLiteral("executed 1")));
        QVERIFY(log.lines.last().contains(QStringLiteral("\"tablesCreated\":1")));
    }

    void quietTranscriptCarriesPreviewAndWait()
    {
        test::ScriptedPlatform inner;
        test::RecordingLog log;
        RunTally tally(log);
        Capture out;
        RunPlatform port(inner, tally, true, out.file);
        tally.note(RunEvent::WaitingForOtherRun, QStringLiteral("waiting"),
                   QStringLiteral("/x/CorvaneUpdate.lock"));
        tally.note(RunEvent::StatementPreviewed, QStringLiteral("preview"),
                   QStringLiteral("ALTER TABLE [a] ADD [b] [int] "));
        tally.note(RunEvent::StatementExecuted, QStringLiteral("executed"), QStringLiteral("x"));
        const QList<QJsonObject> events = out.events();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0], (QJsonObject{{"event", "waiting"}, {"lock", "/x/CorvaneUpdate.lock"}}));
        QCOMPARE(events[1],
                 (QJsonObject{{"event", "statement"}, {"sql", "ALTER TABLE [a] ADD [b] [int] "}}));
        QCOMPARE(log.lines.size(), 3);

        // A run with its window writes nothing to standard output.
        Capture shown;
        RunTally other(log);
        RunPlatform windowed(inner, other, false, shown.file);
        other.note(RunEvent::StatementPreviewed, QStringLiteral("preview"), QStringLiteral("x"));
        QVERIFY(shown.events().isEmpty());
    }

    void launchAndOpenAreLogged()
    {
        test::ScriptedPlatform inner;
        inner.launchSucceeds = false;
        test::RecordingLog log;
        RunTally tally(log);
        RunPlatform port(inner, tally, false, nullptr);
        QVERIFY(!port.launch(QStringLiteral("/x/Corvane.exe")));
        QVERIFY(log.lines.last().contains(QStringLiteral("failed")));
        QVERIFY(port.shellOpen(QStringLiteral("/x/a.msi"), QStringLiteral("/x")));
        QCOMPARE(inner.opened.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRunPlatform)
#include "test_runplatform.moc"
