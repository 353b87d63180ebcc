#include "schema/sqldmo.h"
#include "support/programworld.h"
#include "support/testfiles.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace corvane;
using test::kFtpUnreachable;
using test::ProgramEnded;

namespace {

const QString kGeneric = QStringLiteral("Errore di comunicazione con il database\r\n");
const QString kRunning = QStringLiteral(
    "C'è Corvane Aperto in Qualche Terminale!!\r\n\r\nChiudere Tutti Gli Corvane Prima di "
    "Continuare con l'aggiornamento!!");

class OldSqlDmo : public schema::Application
{
public:
    int VersionMajor() const override { return 8; }
    int VersionMinor() const override { return 0; }
    std::shared_ptr<schema::SqlServer> createServer() override { return nullptr; }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void connectsAndHandsOverTheWindow()
    {
        test::ProgramWorld p;
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        FormMain& f = *p.form;
        QCOMPARE(f.title(), QStringLiteral("Corvane Update (Ver.1.2.0)"));
        QCOMPARE(f.lblConnesso.caption(), QStringLiteral("DB Connesso"));
        QCOMPARE(f.lblConnesso.foreColour(), colour::ConnectedGreen);
        QCOMPARE(f.lblBDLocale.caption(), QStringLiteral("3.1"));
        QCOMPARE(f.lblDBDashmoor.foreColour(), colour::Green);
        QVERIFY(f.enabled());
        QVERIFY(f.shown());
        QVERIFY(!f.FrameInfo.visible());
        QCOMPARE(f.lblEsito.caption(), QString());
        QCOMPARE(p.g.ReferenceServer, QStringLiteral("sqlite:%1,1433").arg(p.path()));
        QCOMPARE(
            p.g.ReferenceConnectionString,
            QStringLiteral(
                "Provider=SQLOLEDB;Data Source=sqlite:%1,1433;UID=sa;PWD=Harbor42;DATABASE=Corvane")
                .arg(p.path()));
        QCOMPARE(p.g.LocalConnectionString,
                 QStringLiteral(
                     "Provider=SQLOLEDB;Data Source=sqlite:%1;User ID=sa;PWD=;DATABASE=Locale")
                     .arg(p.path()));
        QVERIFY(!QFile::exists(p.file(QStringLiteral("Corvane_Temp2.exe"))));
        QVERIFY(!p.g.AutomaticMode);
    }

    void automaticSwitch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("automatic");
        QTest::newRow("none") << QStringList{} << false;
        QTest::newRow("/A") << QStringList{"/A"} << true;
        QTest::newRow("/a") << QStringList{"/a"} << true;
        QTest::newRow("inside a path") << QStringList{"/home/alice/x"} << true;
        QTest::newRow("among others") << QStringList{"/Q", "/A"} << true;
        QTest::newRow("other switch") << QStringList{"/Q"} << false;
        QTest::newRow("A without slash") << QStringList{"A"} << false;
    }
    void automaticSwitch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, automatic);
        test::ProgramWorld p;
        p.port.arguments = arguments;
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        QCOMPARE(p.g.AutomaticMode, automatic);
    }

    void confIniValues_data()
    {
        QTest::addColumn<QByteArray>("confIni");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("spaces trimmed")
            << QByteArray("  sqlite:%1  \r\n  sa  \r\n pw \r\n\r\n Locale \r\n") << "sa"
            << "pw";
        QTest::newRow("tab kept") << QByteArray("sqlite:%1\n\tsa\npw\nx\nLocale\n") << "\tsa"
                                  << "pw";
        QTest::newRow("line four ignored")
            << QByteArray("sqlite:%1\nsa\npw\nanything at all\nLocale") << "sa"
            << "pw";
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBFsqlite:%1\r\nsa\r\npw\r\n\r\nLocale\r\n")
                             << "sa"
                             << "pw";
    }
    void confIniValues()
    {
        QFETCH(QByteArray, confIni);
        QFETCH(QString, user);
        QFETCH(QString, password);
        test::ProgramWorld p;
        p.writeConfIni(QString::fromUtf8(confIni).arg(p.path()).toUtf8());
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        QCOMPARE(p.g.LocalServer, QStringLiteral("sqlite:%1").arg(p.path()));
        QCOMPARE(p.g.LocalUser, user);
        QCOMPARE(p.g.LocalPassword, password);
        QCOMPARE(p.g.LocalDatabase, QStringLiteral("Locale"));
        QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Connesso"));
    }

    // Every way conf.ini can fail ends the program with the generic box,
    // before the window is shown, and nothing is written.
    void badConfIni_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("line");
        QTest::addColumn<long>("number");
        QTest::newRow("missing") << 0 << 14 << 53L;
        QTest::newRow("four lines") << 1 << 16 << 62L;
        QTest::newRow("empty") << 2 << 16 << 62L;
        // Control characters in a setting are refused before any connection.
        QTest::newRow("binary garbage") << 3 << 16 << 380L;
        QTest::newRow("10 MB on one line") << 4 << 16 << 62L;
        QTest::newRow("a folder named conf.ini") << 5 << 14 << 53L;
    }
    void badConfIni()
    {
        QFETCH(int, kind);
        QFETCH(int, line);
        QFETCH(long, number);
        test::ProgramWorld p;
        const QString path = p.file(QStringLiteral("conf.ini"));
        switch (kind) {
        case 0:
            QFile::remove(path);
            break;
        case 1:
            p.writeConfIni("a\r\nb\r\nc\r\nd\r\n");
            break;
        case 2:
            p.writeConfIni(QByteArray());
            break;
        case 3: {
            QByteArray garbage;
            for (int i = 0; i < 4096; ++i)
                garbage.append(char((i * 7919) % 256));
            p.writeConfIni(garbage);
            break;
        }
        case 4:
            p.writeConfIni(QByteArray(10 * 1024 * 1024, 'x'));
            break;
        case 5:
            QFile::remove(path);
            QVERIFY(QDir(p.path()).mkdir(QStringLiteral("CONF.INI")));
            break;
        }
        const QByteArray before =
            QFile::exists(path) && kind != 5 ? test::readFile(path) : QByteArray();
        p.port.expectBoxStartingWith(kGeneric);
        QCOMPARE(p.load(), 2);
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        const test::RecordedBox& box = p.port.boxes.last();
        QCOMPARE(box.title, QStringLiteral("Errore"));
        QCOMPARE(box.style, 16);
        const QStringList parts = box.text.split(QStringLiteral("\r\n"));
        QCOMPARE(parts.at(parts.size() - 2), QString::number(line));
        QCOMPARE(parts.last(), QString::number(number));
        QVERIFY(!parts.at(1).isEmpty()); // the platform's or provider's own description
        if (line < 16 || number == 62) QVERIFY(!p.form->shown());
        if (!before.isNull()) QCOMPARE(test::readFile(path), before);
    }

    void unreachableLocalDatabase()
    {
        test::ProgramWorld p;
        QFile::remove(p.file(QStringLiteral("Locale.db")));
        p.port.expectBoxStartingWith(kGeneric);
        QCOMPARE(p.load(), 2);
        QVERIFY(p.port.boxes.last().text.contains(QStringLiteral("\r\n16\r\n")));
        QVERIFY(!QFile::exists(p.file(QStringLiteral("Locale.db"))));
    }

    void unreachableReferenceInteractive()
    {
        test::ProgramWorld p;
        p.removeReference();
        p.port.expectBox(QStringLiteral("Errore Durante la Connessione al Server DASHMOOR"));
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        QCOMPARE(p.port.boxes.first().title, QStringLiteral("Attenzione!"));
        QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Non Connesso"));
        QCOMPARE(p.form->lblConnesso.foreColour(), colour::Red);
        QCOMPARE(p.form->lblBDLocale.caption(), QStringLiteral("3.1")); // the version check ran
        QCOMPARE(p.form->lblDBDashmoor.caption(), QStringLiteral("Nessuna"));
        QVERIFY(p.form->enabled());

        // The connection label reconnects once the reference is there.
        p.addReference();
        p.port.expectBox(QStringLiteral("Versione SQLDMO = 8.5"));
        p.port.expectBox(kFtpUnreachable);
        p.form->lblConnesso_Click();
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Connesso"));
        QCOMPARE(p.form->lblConnesso.foreColour(), colour::ConnectedGreen);
        QCOMPARE(p.form->lblDBDashmoor.caption(), QStringLiteral("3.1"));
        QCOMPARE(p.form->lblDBDashmoor.foreColour(), colour::Green);
    }

    void unreachableReferenceAutomatic()
    {
        test::ProgramWorld p;
        p.removeReference();
        p.port.arguments = QStringList{QStringLiteral("/A")};
        p.port.expectBox(QStringLiteral("Errore Durante la Connessione al Server DASHMOOR"));
        p.port.expectBox(QStringLiteral("Impossibile Collegarsi al Server Dashmoor!!"));
        QCOMPARE(p.load(), 2);
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        QCOMPARE(p.port.boxes.last().style, 16);
    }

    void missingCorvaneExe()
    {
        test::ProgramWorld p;
        QVERIFY(QFile::remove(p.file(QStringLiteral("Corvane.exe"))));
        p.port.expectBox(kFtpUnreachable);
        p.port.expectBox(kRunning);
        QCOMPARE(p.load(), 2);
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        QCOMPARE(p.port.boxes.last().title, QStringLiteral("Attenzione!!"));
    }

    void lowerCaseExecutableIsFound()
    {
        test::ProgramWorld p;
        QVERIFY(QFile::rename(p.file(QStringLiteral("Corvane.exe")),
                              p.file(QStringLiteral("CORVANE.EXE"))));
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        QVERIFY(p.form->enabled());
    }

    // A really running Corvane.exe cannot be overwritten; the check says so
    // and leaves the executable as it was.
    void runningCorvaneExe()
    {
        test::ProgramWorld p;
        const QString exe = p.file(QStringLiteral("Corvane.exe"));
        QFile::remove(exe);
        QVERIFY(QFile::copy(QStringLiteral(CORVANE_TEST_SLEEPER), exe));
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeUser);
        QProcess running;
        running.start(exe, {QStringLiteral("30")});
        QVERIFY(running.waitForStarted());
        p.port.expectBox(kFtpUnreachable);
        p.port.expectBox(kRunning);
        QCOMPARE(p.load(), 2);
        running.kill();
        running.waitForFinished();
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        QCOMPARE(test::readFile(exe), test::readFile(QStringLiteral(CORVANE_TEST_SLEEPER)));
    }

    void sqlDmoVersionBox()
    {
        test::ProgramWorld p;
        p.g.createSqlDmoApplication = [] { return std::make_shared<OldSqlDmo>(); };
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        p.port.expectBox(QStringLiteral("Versione SQLDMO = 8.0"));
        p.port.expectBox(kFtpUnreachable);
        p.form->lblConnesso_Click();
        QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
        const test::RecordedBox& box = p.port.boxes.at(1);
        QCOMPARE(box.style, 0);
        QCOMPARE(box.title, QString()); // the application's title
    }

    void closeEndsAtOnce()
    {
        test::ProgramWorld p;
        try {
            p.form->cmdClose_Click();
            QFAIL("the program did not end");
        } catch (const ProgramEnded& e) {
            QCOMPARE(e.exitCode, 0);
        }
        QVERIFY(p.port.boxes.isEmpty());
    }

    void interactiveTickOnlyStopsTheTimer()
    {
        test::ProgramWorld p;
        p.port.expectBox(kFtpUnreachable);
        QCOMPARE(p.load(), -1);
        QVERIFY(p.form->Timer1.enabled());
        const QString before = p.form->lblEsito.caption();
        p.form->Timer1_Timer();
        QVERIFY(!p.form->Timer1.enabled());
        QCOMPARE(p.form->lblEsito.caption(), before);
        QVERIFY(p.form->CommandAggiungiProvvigione.visible());
        QVERIFY(!p.form->Frame1.visible());
        QCOMPARE(p.port.boxes.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
