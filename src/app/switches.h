#pragma once

#include <QString>
#include <QStringList>
#include <QVersionNumber>

namespace corvane {

// The command line as the updater reads it.
struct RunSwitches
{
    bool automatic = false; // "/A" anywhere, in any letter case
    bool quiet = false;     // "/Q" as a whole argument
    bool preview = false;   // "/P" as a whole argument; it counts only with "/Q"
    bool help = false;      // "--help" or "/?"
    bool version = false;   // "--version"

    // Quiet without "/A", or a preview: the run compares and reports, and
    // changes nothing.
    bool checkOnly() const { return quiet && (!automatic || preview); }
    bool previewRun() const { return quiet && preview; }
};

RunSwitches parseSwitches(const QStringList& arguments);

// True when the command line asks for the automatic run: "/A" anywhere in it,
// upper-cased, as the program has always read it.
bool automaticRequested(const QStringList& arguments);

// What --help prints (Italian, as every text of the program).
QString usageText(const QString& programName);
// What --version prints.
QString versionText(const QVersionNumber& version);

} // namespace corvane
