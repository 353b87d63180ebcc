// Reference schemas that used to stop every update on the embedded engine at
// the same row, run after run. One folder per case under schema/converge:
// reference.sql and local.sql (with rows) after the shared lookup tables, and
// expected.txt, checks of the local database after the run, one per line:
//   <query> => <its rows joined by ";">
//   log => <text a line of the run log holds>
// Each case must converge in one run: all green with the version written, a
// second comparison green, every local row and value kept, every index of
// the tables the run created there.

#include "schema/updaterun.h"
#include "schemaworld.h"
#include "support/dbsnapshot.h"
#include "support/testdb.h"
#include "support/testfiles.h"

#include <QDir>
#include <QtTest>

using namespace corvane;
using test::SchemaWorld;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
const QString kAllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");
const QString kArrow = QStringLiteral(" => ");

// The view the comparison always lists, and the version rows.
const QString kReferencePrelude =
    QStringLiteral("CREATE VIEW VProdotti AS SELECT idProdotto FROM prodotti;"
                   "INSERT INTO Parametri VALUES (1, 'Versione', '5.0.a', NULL);");
const QString kLocalPrelude =
    QStringLiteral("INSERT INTO Parametri VALUES (1, 'Versione', '4.9', NULL);");

QString caseFile(const QString& name, const QString& file)
{
    return test::readTestSource(QStringLiteral("schema/converge/%1/%2").arg(name, file));
}

// Reference tables the local database does not have, as the comparison tells.
QStringList newTables(const SchemaWorld& w)
{
    const QString sql = QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' AND "
                                       "name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    QStringList local;
    for (const QString& name : w.localRows(sql))
        local << name.trimmed().toCaseFolded();
    QStringList created;
    for (const QString& name : test::queryRows(w.path(), test::kReferenceDatabase, sql))
        if (!local.contains(name.trimmed().toCaseFolded())) created << name;
    return created;
}

} // namespace

class TestConverge : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::useClosedUpdateServer(); }

    void convergesInOneRun_data()
    {
        QTest::addColumn<QString>("name");
        const QDir cases(test::testSourcePath(QStringLiteral("schema/converge")));
        for (const QString& name : cases.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QTest::newRow(qPrintable(name)) << name;
    }

    void convergesInOneRun()
    {
        QFETCH(QString, name);
        const QString lookup = test::readTestSource(QStringLiteral("support/lookup_tables.sql"));
        SchemaWorld w(lookup + kReferencePrelude + caseFile(name, "reference.sql"),
                      lookup + kLocalPrelude + caseFile(name, "local.sql"));
        const test::DbSnapshot before = test::takeSnapshot(w.path(), test::kLocalDatabase);
        const QStringList created = newTables(w);

        w.compare();
        w.expectVersionCheckBox();
        w.port.expectBox(kSuccess);
        Cmd_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QCOMPARE(w.redRows(), QStringList());
        QCOMPARE(w.form.lblEsito.caption(), kAllUpToDate);
        QCOMPARE(w.localRows("SELECT Valore FROM Parametri WHERE IDparametro = 1"),
                 QStringList{"5.0.A"});
        QCOMPARE(test::lostSince(before, w.path(), test::kLocalDatabase), QString());
        for (const QString& table : created)
            QCOMPARE(test::indexShapes(w.path(), test::kLocalDatabase, table),
                     test::indexShapes(w.path(), test::kReferenceDatabase, table));

        w.expectVersionCheckBox();
        w.compare();
        QCOMPARE(w.redRows(), QStringList());

        for (const QString& line : caseFile(name, "expected.txt").split(u'\n')) {
            if (line.trimmed().isEmpty() || line.startsWith(u'#')) continue;
            const QString query = line.section(kArrow, 0, 0);
            const QString expected = line.section(kArrow, 1);
            if (query == u"log") {
                QVERIFY2(w.log.lines.filter(expected).size() == 1, qPrintable(expected));
                continue;
            }
            QCOMPARE(w.localRows(query).join(u';'), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestConverge)
#include "test_converge.moc"
