// The library installer: which package is opened, and the fall-back to the
// download run when it is missing.
#include "ftpfixture.h"
#include "ftpupdate/installer.h"
#include "ftpupdate/texts.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;

class TestInstaller : public QObject
{
    Q_OBJECT

private slots:
    void opensThePackageOfThisSystem_data();
    void opensThePackageOfThisSystem();
    void missingPackageStartsTheDownloadRun();
    void missingPackageIsFetched();
};

namespace {

QString packageOfThisSystem()
{
    return IsWindows64Bit() ? ftptext::Package64 : ftptext::Package32;
}
QString otherPackage()
{
    return IsWindows64Bit() ? ftptext::Package32 : ftptext::Package64;
}

} // namespace

void TestInstaller::opensThePackageOfThisSystem_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("as named") << packageOfThisSystem();
    QTest::newRow("lower case") << packageOfThisSystem().toLower();
    QTest::newRow("mixed case") << QString(packageOfThisSystem()).replace("SQLSERVER", "SQLServer");
}

void TestInstaller::opensThePackageOfThisSystem()
{
    QFETCH(QString, stored);
    UpdateWorld w;
    writeFile(w.inProgram(stored), binaryPayload(100, 1));
    writeFile(w.inProgram(otherPackage()), binaryPayload(100, 2));
    w.form.setEnabled(false);

    cmdInstallaLib_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.opened, (QList<QStringList>{{w.inProgram(stored), w.program}}));
    QVERIFY(!w.form.enabled()); // the installer runs on its own; nothing else changes
}

void TestInstaller::missingPackageStartsTheDownloadRun()
{
    UpdateWorld w;
    // Only the package of the other kind of system is here.
    writeFile(w.inProgram(otherPackage()), binaryPayload(100, 3));
    useClosedUpdateServer();
    w.form.setEnabled(false);
    w.port.expectBox(ftptext::AlreadyUpToDate, Answer::No); // both labels read 9.9.9

    cmdInstallaLib_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QVERIFY(w.port.opened.isEmpty());
    QVERIFY(w.form.enabled());
    QCOMPARE(w.port.mousePointer, pointer::Icon);
}

void TestInstaller::missingPackageIsFetched()
{
    UpdateWorld w;
    const QByteArray package = binaryPayload(200000, 4);
    writeFile(w.inDistribution(packageOfThisSystem()), package);
    writeFile(w.inDistribution("VERSIONE.TXT"), "2.0.15\r\n");
    QVERIFY(buildPe(w.inProgram("Corvane.exe"), "pe32").isEmpty());
    QVERIFY(w.startServer());
    w.form.lblVerProgLocale.setCaption("2.0.14");
    // No CORVANE.EXE was published, so the executable cannot be swapped.
    w.port.expectBoxStartingWith(ftptext::ExecutableInUse);

    cmdInstallaLib_Click(w.ctx);

    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QVERIFY(w.port.opened.isEmpty()); // the user clicks again to install
    QCOMPARE(readFile(w.inProgram(packageOfThisSystem())), package);
    QCOMPARE(w.form.lblVerProgLocale.foreColour(), colour::Green);
}

QTEST_GUILESS_MAIN(TestInstaller)
#include "test_installer.moc"
