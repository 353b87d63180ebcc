// Time from the creation of the window to the enabled window: both embedded
// databases, a real FTP server on loopback publishing VERSIONE.TXT, the real
// view on the offscreen platform. The reference figure is the same work done
// without the window: the two connections opened and the version rows read.
#include "app/mainwindow.h"
#include "app/runplatform.h"
#include "common/benchstats.h"
#include "db/connection.h"
#include "db/recordset.h"
#include "gui/formfont.h"
#include "gui/mainview.h"
#include "support/ftptestserver.h"
#include "support/scriptedplatform.h"
#include "support/testdb.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

using namespace corvane;

namespace {

double directWork(const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    db::Connection local, reference;
    local.Open(test::embeddedConnectionString(folder, test::kLocalDatabase));
    reference.Open(test::embeddedConnectionString(folder, test::kReferenceDatabase));
    for (db::Connection* c : {&local, &reference}) {
        db::Recordset rs;
        rs.Open(QStringLiteral("Select Valore FROM Parametri where IDParametro = 1"), *c, 3, 1);
        rs.Close();
    }
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gui::installFontSubstitution();

    const test::TestFolder program;
    const QString folder = program.path();
    test::writeProgramFolder(folder);
    // A firm on both sides: the version check writes its row to the reference.
    const QString firm = QStringLiteral("INSERT INTO soggetti VALUES (1, 'Rossi srl', NULL);");
    program.local(firm);
    program.reference(firm);
    test::writeFile(folder + "/ftp/distributori/CORVANE/VERSIONE.TXT", "2.0.15\r\n");
    const QString built =
        test::buildPe(folder + "/Corvane.exe", QStringLiteral("pe32"),
                      {QStringLiteral("--file-version"), QStringLiteral("2,0,0,15")});
    if (!built.isEmpty()) {
        std::fprintf(stderr, "startup: cannot build Corvane.exe: %s\n", qPrintable(built));
        return 1;
    }
    test::FtpTestServer ftp(folder + "/ftp");
    if (!ftp.start()) {
        std::fprintf(stderr, "startup: FTP server: %s\n", qPrintable(ftp.errors()));
        return 1;
    }
    qputenv("CORVANE_REFERENCE_HOST", program.server().toUtf8());
    qputenv("CORVANE_FTP_HOST", ftp.hostAndPort().toUtf8());

    const int rounds = roundsFrom(argc, argv);
    Samples windowMs, directMs, ratio;
    bool green = true;
    for (int round = 0; round < rounds; ++round) {
        const double direct = directWork(folder);
        test::ScriptedPlatform port;
        port.folder = folder;
        EventLog log;
        GlobalState g;
        QElapsedTimer clock;
        clock.start();
        FormMain form(g, port, log);
        gui::MainView view(form);
        form.Form_Load();
        QCoreApplication::processEvents(); // the first paint of the enabled window
        const double ms = clock.nsecsElapsed() / 1e6;
        windowMs.add(ms);
        directMs.add(direct);
        ratio.add(ms / direct);
        green = green && form.enabled() && form.lblVerProgLocale.foreColour() == colour::Green &&
                form.lblBDLocale.foreColour() == colour::Green && port.boxes.isEmpty();
    }
    std::printf("startup, %d rounds: window created to enabled window %s ms; opening the "
                "connections and reading the version rows alone %s ms; ratio %s\n",
                rounds, qPrintable(windowMs.text(1)), qPrintable(directMs.text(1)),
                qPrintable(ratio.text(1)));
    Goals goals(QStringLiteral("startup"));
    goals.holds(QStringLiteral("every version label green, no box"), green,
                green ? QStringLiteral("yes") : QStringLiteral("NO"));
    return goals.exitCode();
}
