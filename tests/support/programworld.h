#pragma once

// The world of the window's tests: FormMain on a program folder of its own.
// Header-only: link corvane_core.

#include "app/mainwindow.h"
#include "support/world.h"

#include <QDir>
#include <QFile>
#include <memory>

namespace corvane::test {

// A program folder on the embedded engine, as the start-up sequence finds it:
// conf.ini, the local database, the reference database (reached through
// CORVANE_REFERENCE_HOST), Corvane.exe and an update server that does not
// answer. A test removes the parts it wants missing.
class ProgramWorld : public TestFolder
{
public:
    ProgramWorld()
    {
        port.folder = path();
        writeProgramFolder(path());
        if (!QFile::copy(QStringLiteral("/bin/true"), file(QStringLiteral("Corvane.exe"))))
            throw std::runtime_error("cannot place Corvane.exe");
        qputenv("CORVANE_REFERENCE_HOST", server().toUtf8());
        useClosedUpdateServer();
        form = std::make_unique<FormMain>(g, port, log);
    }

    void removeReference() { QFile::remove(file(kReferenceDatabase + QStringLiteral(".db"))); }
    void addReference() { reference(versionTables(QStringLiteral("3.1"))); }
    void writeConfIni(const QByteArray& bytes) { test::writeConfIni(path(), bytes); }

    // Runs the start-up sequence; the exit code when it ended the program, -1 otherwise.
    int load()
    {
        try {
            form->Form_Load();
        } catch (const ProgramEnded& e) {
            return e.exitCode;
        }
        return -1;
    }

    GlobalState g;
    ScriptedPlatform port;
    RecordingLog log;
    std::unique_ptr<FormMain> form;
};

} // namespace corvane::test
