// The text rules of the program update: the first line of VERSIONE.TXT, the
// shortening of the local version, and which listed names are fetched as what.
#include "ftpfixture.h"
#include "ftpupdate/downloadplan.h"
#include "ftpupdate/versiontext.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TestUpdateRules : public QObject
{
    Q_OBJECT

private slots:
    void firstLineEndsAtCarriageReturn_data();
    void firstLineEndsAtCarriageReturn();
    void shortensTheLocalVersion_data();
    void shortensTheLocalVersion();
    void downloadFilter_data();
    void downloadFilter();
};

void TestUpdateRules::firstLineEndsAtCarriageReturn_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");
    QTest::newRow("CR LF") << QByteArray("2.0.15\r\nx") << "2.0.15";
    QTest::newRow("CR alone") << QByteArray("2.0.15\rx") << "2.0.15";
    QTest::newRow("LF alone stays") << QByteArray("2.0.15\nx") << "2.0.15\nx";
    QTest::newRow("no line end") << QByteArray("2.0.15") << "2.0.15";
    QTest::newRow("empty first line") << QByteArray("\r\n2.0.15") << "";
    QTest::newRow("bytes kept as they are")
        << QByteArray("2.0\xe8\r\n") << QStringLiteral("2.0\u00e8");
}

void TestUpdateRules::firstLineEndsAtCarriageReturn()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, line);
    QCOMPARE(firstLine(content), line);
}

void TestUpdateRules::shortensTheLocalVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("shortened"); // "-" when refused
    QTest::newRow("usual") << "2.0.0.15"
                           << "2.0.15";
    QTest::newRow("two-digit build") << "2.0.10.5"
                                     << "2.00.5";
    QTest::newRow("large") << "40000.1.2.65535"
                           << "40000.1.65535";
    QTest::newRow("three parts") << "1.2.3"
                                 << "1.2";
    QTest::newRow("dot at the end") << "1.2."
                                    << "1.2";
    QTest::newRow("adjacent dots") << "1..5.6"
                                   << "1..6";
    QTest::newRow("one dot") << "2.0"
                             << "-";
    QTest::newRow("empty") << ""
                           << "-";
    QTest::newRow("Nessuna") << "Nessuna"
                             << "-";
}

void TestUpdateRules::shortensTheLocalVersion()
{
    QFETCH(QString, version);
    QFETCH(QString, shortened);
    const std::optional<QString> result = shortenVersion(version);
    QCOMPARE(result.value_or(QStringLiteral("-")), shortened);
}

void TestUpdateRules::downloadFilter_data()
{
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("local"); // "-" when not fetched
    QTest::newRow("executable") << "CORVANE.EXE"
                                << "Corvane_Temp.exe";
    QTest::newRow("executable, lower case") << "corvane.exe"
                                            << "Corvane_Temp.exe";
    QTest::newRow("updater") << "CorvaneUpdate.exe"
                             << "-";
    QTest::newRow("version file") << "versione.txt"
                                  << "-";
    QTest::newRow("updater version file") << "VERSIONEUPDATE.TXT"
                                          << "-";
    QTest::newRow("package, none here") << "SQLSERVER2005_BC_X64.MSI"
                                        << "SQLSERVER2005_BC_X64.MSI";
    QTest::newRow("package already here") << "sqlserver2005_bc.msi"
                                          << "-";
    QTest::newRow("other file, blanks trimmed") << "  Report Base.rpt "
                                                << "Report Base.rpt";
    QTest::newRow("padded executable is another file") << " CORVANE.EXE"
                                                       << "CORVANE.EXE";
    QTest::newRow("parent folder") << "../evil"
                                   << "-";
    QTest::newRow("dot dot") << ".."
                             << "-";
    QTest::newRow("dot") << " . "
                         << "-";
    QTest::newRow("root path") << "/etc/x"
                               << "-";
    QTest::newRow("drive") << "C:\\x"
                           << "-";
    QTest::newRow("drive relative") << "C:x"
                                    << "-";
    QTest::newRow("subfolder") << "a/b"
                               << "-";
    QTest::newRow("backslash") << "a\\b"
                               << "-";
    QTest::newRow("control character") << "a\tb"
                                       << "-";
    QTest::newRow("blank") << "   "
                           << "-";
    QTest::newRow("dots inside are fine") << "lib..old.dll"
                                          << "lib..old.dll";
}

void TestUpdateRules::downloadFilter()
{
    QFETCH(QString, listed);
    QFETCH(QString, local);
    QTemporaryDir program;
    writeFile(program.filePath("SQLServer2005_BC.MSI"), "here");
    const bool fetched = acceptedForDownload(listed, program.path());
    QCOMPARE(fetched ? localNameFor(listed) : QStringLiteral("-"), local);
}

QTEST_GUILESS_MAIN(TestUpdateRules)
#include "test_updaterules.moc"
