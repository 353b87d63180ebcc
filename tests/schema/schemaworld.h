#pragma once

#include "support/fakesqldmo.h"
#include "support/world.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace corvane::test {

// The reference database "Corvane" and the local database "Locale" on the
// embedded engine, with the window and the settings of a started program.
// The program folder is a folder of its own.
class SchemaWorld : public World
{
public:
    // Both databases exist and are empty; connect() opens them.
    SchemaWorld();
    // Both databases built from their scripts and connected.
    SchemaWorld(const QString& referenceSql, const QString& localSql);

    QString referencePath() const;
    // Serves scripts and columns from a stand-in component instead of the engine.
    std::shared_ptr<FakeSqlDmoApplication> useFakeComponent();

    // The box the program version check shows while the update server is unreachable.
    void expectVersionCheckBox() { port.expectBox(kFtpUnreachable); }
    // A comparison run, as the button starts it.
    void compare();

    // A grid as the comparison leaves it: {object, column, red?} per data row.
    struct GridRow
    {
        QString object;
        QString column;
        bool red;
    };
    void setGrid(const QList<GridRow>& rows);
    // Every data row as "Tabella|Campo|Stato|colour", the colour being that
    // of every cell of the row, or "mixed:" and each cell's colour.
    QStringList gridRows() const;
    // "object|column" of each data row whose status cell is red.
    QStringList redRows() const;

    QStringList localObjects() const; // "table X" / "view Y", sorted
    // The local database for golden comparisons: every table with its
    // columns and rows (in order), every view.
    QString localDump() const;

    QTemporaryDir programFolder;
};

} // namespace corvane::test
