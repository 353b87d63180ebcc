#include "base/strings.h"
#include "dbversion/dbversion.h"
#include "support/world.h"

#include <QDate>
#include <QtTest>

using namespace corvane;

namespace {

// The version tables on both sides, each database reshaped or filled by its script.
struct Fixture : test::World
{
    Fixture(const QString& localSql, const QString& referenceSql, bool localOpen = true,
            bool referenceOpen = true)
    {
        local(test::versionTables() + localSql);
        reference(test::versionTables() + referenceSql);
        g.LocalConnection =
            localOpen ? open(test::kLocalDatabase) : std::make_unique<db::Connection>();
        g.ReferenceConnection =
            referenceOpen ? open(test::kReferenceDatabase) : std::make_unique<db::Connection>();
    }

    QStringList logRows() const
    {
        return rows(test::kReferenceDatabase,
                    QStringLiteral(
                        "SELECT Nome, Data, Versione, Extra FROM InfoAggiornamenti ORDER BY ID"));
    }
};

QString version(const char* v)
{
    return QStringLiteral("INSERT INTO Parametri VALUES (1, 'Versione', %1, NULL);")
        .arg(QLatin1String(v));
}

const QString kFirm = QStringLiteral("INSERT INTO soggetti VALUES (1, '  Rossi srl ', 'CL');");

} // namespace

class TestDbVersion : public QObject
{
    Q_OBJECT
private slots:
    void doubleQuotes_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one quote") << "l'anno"
                                   << "l''anno";
        QTest::newRow("two in a row") << "''"
                                      << "''''";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("none") << "Rossi"
                              << "Rossi";
        QTest::newRow("edges") << "'a'"
                               << "''a''";
    }
    void doubleQuotes()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(DoubleQuotes(input), expected);
    }

    void versions_data()
    {
        QTest::addColumn<QString>("localSql");
        QTest::addColumn<QString>("referenceSql");
        QTest::addColumn<bool>("localOpen");
        QTest::addColumn<bool>("referenceOpen");
        QTest::addColumn<QString>("localCaption");
        QTest::addColumn<QString>("referenceCaption");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QStringList>("log"); // Nome|Versione

        const QStringList rossi25{QStringLiteral("ROSSI SRL|2.5")};
        QTest::newRow("same version")
            << version("'2.5'") + kFirm << version("'2.5'") << true << true << "2.5"
            << "2.5" << colour::Green << rossi25;
        QTest::newRow("blanks trimmed")
            << version("' 2.5 '") + kFirm << version("'2.5  '") << true << true << "2.5"
            << "2.5" << colour::Green << rossi25;
        QTest::newRow("case counts")
            << version("'2.5a'") + kFirm << version("'2.5A'") << true << true << "2.5a"
            << "2.5A" << colour::Red << QStringList{QStringLiteral("ROSSI SRL|2.5A")};
        QTest::newRow("tab is not trimmed")
            << version("'2.5' || char(9)") + kFirm << version("'2.5'") << true << true << "2.5\t"
            << "2.5" << colour::Red << rossi25;
        QTest::newRow("no version rows")
            << kFirm << QString() << true << true << "Nessuna"
            << "Nessuna" << colour::Red << QStringList{QStringLiteral("ROSSI SRL|Nessuna")};
        QTest::newRow("local null version")
            << version("NULL") + kFirm << version("'2.5'") << true << true << "Nessuna"
            << "2.5" << colour::Red << QStringList{};
        QTest::newRow("null firm name")
            << version("'2.5'") + QStringLiteral("INSERT INTO soggetti VALUES (1, NULL, 'CL');")
            << version("'2.5'") << true << true << "2.5"
            << "2.5" << colour::Green << QStringList{};
        QTest::newRow("blank firm name")
            << version("'2.5'") + QStringLiteral("INSERT INTO soggetti VALUES (1, '   ', 'CL');")
            << version("'2.5'") << true << true << "2.5"
            << "2.5" << colour::Green << QStringList{};
        QTest::newRow("no firm row")
            << version("'2.5'") << version("'2.5'") << true << true << "2.5"
            << "2.5" << colour::Green << QStringList{};
        QTest::newRow("firm with a quote")
            << version("'2.5'") +
                   QStringLiteral("INSERT INTO soggetti VALUES (1, 'l''Officina', 'CL');")
            << version("'2.5'") << true << true << "2.5"
            << "2.5" << colour::Green << QStringList{QStringLiteral("L'OFFICINA|2.5")};
        QTest::newRow("local closed")
            << version("'2.5'") + kFirm << version("'2.5'") << false << true << "Nessuna"
            << "2.5" << colour::Red << QStringList{};
        QTest::newRow("reference closed")
            << version("'2.5'") + kFirm << version("'2.5'") << true << false << "2.5"
            << "Nessuna" << colour::Red << QStringList{};
    }
    void versions()
    {
        QFETCH(QString, localSql);
        QFETCH(QString, referenceSql);
        QFETCH(bool, localOpen);
        QFETCH(bool, referenceOpen);
        QFETCH(QString, localCaption);
        QFETCH(QString, referenceCaption);
        QFETCH(int, colour);
        QFETCH(QStringList, log);

        Fixture f(localSql, referenceSql, localOpen, referenceOpen);
        CheckDatabaseVersion(f.ctx);
        QCOMPARE(f.form.lblBDLocale.caption(), localCaption);
        QCOMPARE(f.form.lblDBDashmoor.caption(), referenceCaption);
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour);
        QCOMPARE(f.form.lblDBDashmoor.foreColour(), colour);
        QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));

        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QStringList written;
        for (const QString& row : f.logRows()) {
            const QStringList parts = row.split(QLatin1Char('|'));
            QCOMPARE(parts.at(1), today);
            QCOMPARE(parts.at(3), QStringLiteral("x")); // other columns left to their defaults
            written << parts.at(0) + QLatin1Char('|') + parts.at(2);
        }
        QCOMPARE(written, log);
    }

    void secondCheckUpdatesTheSameRow()
    {
        Fixture f(version("'2.5'") + kFirm,
                  version("'2.4'") +
                      QStringLiteral("INSERT INTO InfoAggiornamenti (Nome, Data, Versione) VALUES "
                                     "('ALTRO', '2001-01-01', '1.0');"));
        CheckDatabaseVersion(f.ctx);
        f.reference(QStringLiteral("UPDATE Parametri SET Valore = '2.5' WHERE IDParametro = 1;"));
        CheckDatabaseVersion(f.ctx);
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        QCOMPARE(f.logRows(), (QStringList{QStringLiteral("ALTRO|2001-01-01|1.0|x"),
                                           QStringLiteral("ROSSI SRL|%1|2.5|x").arg(today)}));
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour::Green);
    }

    // A reference that reports itself open but cannot answer: "Nessuna", and
    // the colours stay as they were.
    void failingReferenceKeepsColours()
    {
        Fixture f(version("'2.5'") + kFirm, version("'2.5'"));
        CheckDatabaseVersion(f.ctx);
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour::Green);
        f.reference(QStringLiteral("DROP TABLE Parametri;"));
        CheckDatabaseVersion(f.ctx);
        QCOMPARE(f.form.lblDBDashmoor.caption(), QStringLiteral("Nessuna"));
        QCOMPARE(f.form.lblBDLocale.caption(), QStringLiteral("2.5"));
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour::Green);
        QCOMPARE(f.form.lblDBDashmoor.foreColour(), colour::Green);
    }

    void failingLogWriteKeepsColours()
    {
        Fixture f(version("'2.5'") + kFirm, version("'2.6'"));
        f.reference(QStringLiteral("DROP TABLE InfoAggiornamenti;"));
        CheckDatabaseVersion(f.ctx);
        QCOMPARE(f.form.lblDBDashmoor.caption(), QStringLiteral("2.6"));
        // The initial red of the labels, untouched by the failed call.
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour::Red);
        f.form.lblBDLocale.setForeColour(colour::Green);
        CheckDatabaseVersion(f.ctx);
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour::Green);
    }

    // A failing local query abandons the local part only.
    void failingLocalPartStillReadsReference()
    {
        Fixture f(QStringLiteral("DROP TABLE soggetti;") + version("'2.5'"), version("'2.5'"));
        CheckDatabaseVersion(f.ctx);
        QCOMPARE(f.form.lblBDLocale.caption(), QStringLiteral("2.5"));
        QCOMPARE(f.form.lblDBDashmoor.caption(), QStringLiteral("2.5"));
        QCOMPARE(f.form.lblBDLocale.foreColour(), colour::Green);
        QVERIFY(f.logRows().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDbVersion)
#include "test_dbversion.moc"
