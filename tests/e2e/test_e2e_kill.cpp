// The real program killed (SIGKILL; on Windows TerminateProcess) at random
// moments of an unattended update, twenty times. After each kill the database
// is consistent and has lost nothing, and the next run ends green with every
// index of the new tables there.

#include "e2eworld.h"
#include "support/dbsnapshot.h"
#include "support/testdb.h"
#include "support/testfiles.h"
#include "support/testplatform.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

using namespace corvane;
using e2e::kLocalName;
using e2e::kReferenceName;
using e2e::Run;
using e2e::World;

namespace {

constexpr int kKills = 20;
const QString kAllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");

// New tables with indexes (one index name held by a local table), columns
// that need the table rebuilt, a chain of views listed in the wrong order.
QString referenceExtra()
{
    QString sql;
    for (int t = 0; t < 24; ++t) {
        sql += QStringLiteral("CREATE TABLE Nuova%1 (ID int PRIMARY KEY, Codice varchar(20), "
                              "Nota text DEFAULT ('a\r\nGO\r\nb'));")
                   .arg(t);
        sql += QStringLiteral("CREATE INDEX %1 ON Nuova%2 (Codice);")
                   .arg(t % 4 == 0 ? QStringLiteral("IX_Comune") + QString::number(t)
                                   : QStringLiteral("IX_Nuova%1_Codice").arg(t),
                        QString::number(t));
        sql += QStringLiteral("CREATE UNIQUE INDEX IX_Nuova%1_Nota ON Nuova%1 (Nota, ID);").arg(t);
    }
    for (int t = 0; t < 6; ++t)
        sql += QStringLiteral("CREATE TABLE Righe%1 (ID int, Nome text, Riga int IDENTITY (1, 1) "
                              "NOT NULL, Quando datetime NOT NULL DEFAULT (CURRENT_TIMESTAMP));")
                   .arg(t);
    sql += QStringLiteral("CREATE VIEW VA AS SELECT * FROM VB; CREATE VIEW VB AS SELECT * FROM "
                          "VC; CREATE VIEW VC AS SELECT ID FROM Nuova0;");
    return sql;
}

QString localExtra()
{
    QString sql = QStringLiteral("CREATE TABLE Mio (ID int, Nota text);");
    for (int t = 0; t < 24; t += 4)
        sql += QStringLiteral("CREATE INDEX IX_Comune%1 ON Mio (Nota);").arg(t);
    for (int t = 0; t < 6; ++t) {
        sql += QStringLiteral("CREATE TABLE Righe%1 (ID int, Nome text);"
                              "CREATE INDEX IX_Righe%1 ON Righe%1 (Nome);")
                   .arg(t);
        for (int r = 0; r < 40; ++r)
            sql += QStringLiteral("INSERT INTO Righe%1 VALUES (%2, 'riga %2');").arg(t).arg(r);
    }
    return sql + QStringLiteral("INSERT INTO Mio VALUES (1, 'del cliente');");
}

} // namespace

class TestEndToEndKill : public QObject
{
    Q_OBJECT
private slots:
    void killedAtRandomMoments()
    {
        // How long a whole run takes, and when its schema update begins.
        qint64 updateBegins = 0, runEnds = 0;
        {
            World w;
            w.extend(referenceExtra(), localExtra());
            w.publishSameProgram();
            w.startFtp();
            QElapsedTimer clock;
            clock.start();
            QProcess p;
            w.start(p, {"/A", "/Q"});
            while (!p.waitForFinished(20))
                if (!updateBegins && w.runLog().contains("Cmd_Click"))
                    updateBegins = clock.elapsed();
            runEnds = clock.elapsed();
            QCOMPARE(p.exitCode(), 0);
        }
        QVERIFY(updateBegins > 0);

        QRandomGenerator random(20240611);
        int consistent = 0, complete = 0, duringUpdate = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            World w;
            w.extend(referenceExtra(), localExtra());
            w.publishSameProgram();
            w.startFtp();
            const test::DbSnapshot before = test::takeSnapshot(w.program, kLocalName);
            const qint64 at =
                updateBegins - 200 + qint64(random.bounded(int(runEnds - updateBegins + 200)));
            QProcess p;
            w.start(p, {"/A", "/Q"});
            QThread::msleep(quint64(at));
            p.kill();
            p.waitForFinished();
            const QByteArray log = w.runLog();
            if (log.contains("Cmd_Click") && !log.contains("Update Parametri SET Valore"))
                ++duringUpdate;

            const QString lost = test::lostSince(before, w.program, kLocalName);
            QVERIFY2(
                lost.isEmpty(),
                qPrintable(QStringLiteral("kill %1 at %2 ms: %3").arg(kill).arg(at).arg(lost)));
            ++consistent;

            // A run killed just after it launched Corvane.exe leaves that
            // running on Windows, and the next run would rightly refuse to
            // start; the user would close it first.
            test::endProgramsStartedFrom(w.program + QStringLiteral("/Corvane.exe"));
            const Run next = w.run({"/A", "/Q"});
            QCOMPARE(next.exit, 0);
            QCOMPARE(next.label("lblEsito")["caption"].toString(), kAllUpToDate);
            QCOMPARE(w.localVersion(), QStringLiteral("2.1"));
            for (int t = 0; t < 24; ++t) {
                const QString table = QStringLiteral("Nuova%1").arg(t);
                QCOMPARE(test::indexShapes(w.program, kLocalName, table),
                         test::indexShapes(w.reference, kReferenceName, table));
            }
            QCOMPARE(test::lostSince(before, w.program, kLocalName), QString());
            ++complete;
        }
        qInfo("kills tried %d, databases consistent %d, next run complete %d; kills inside the "
              "schema update %d; a whole run %lld ms, its update from %lld ms",
              kKills, consistent, complete, duringUpdate, runEnds, updateBegins);
    }
};

QTEST_GUILESS_MAIN(TestEndToEndKill)
#include "test_e2e_kill.moc"
