#pragma once

// "Nothing lost": what an embedded database holds before a run, compared
// with what it holds after.

#include <QMap>
#include <QString>
#include <QStringList>

namespace corvane::test {

struct DbSnapshot
{
    QMap<QString, QStringList> columns; // by table
    QMap<QString, QStringList> rows;    // by table: each row's values as SQL literals, sorted
    QStringList indexes;                // "table|index", sorted
    QStringList views;                  // sorted
};

DbSnapshot takeSnapshot(const QString& folder, const QString& name);

// What of `before` the database no longer holds ("" when nothing): a table,
// column, index or view, or a row with its values. The lookup tables may
// gain the default rows, and of Parametri only the keys are compared (the
// update copies notes, descriptions and the version into it); every other
// table must hold exactly the rows it held. Also fails when the engine's
// integrity check does.
QString lostSince(const DbSnapshot& before, const QString& folder, const QString& name);

// The indexes of a table as their uniqueness and columns ("1:a,b"), sorted,
// whatever their names: the keys' own indexes left out.
QStringList indexShapes(const QString& folder, const QString& name, const QString& table);

} // namespace corvane::test
