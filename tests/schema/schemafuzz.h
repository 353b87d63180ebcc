#pragma once

// Random reference schemas against a local copy with data: hostile names
// (blanks, brackets, quotes, GO lines, comment marks, letters beyond ASCII in
// other case), random types, defaults and keys, view chains listed in the
// wrong order, index names another local table holds.

#include <QString>
#include <QStringList>

namespace corvane::test {

struct FuzzCase
{
    QString referenceSql;
    QString localSql;
    // False when the case holds what is refused by design (a NOT NULL column
    // without default for a table with rows): it need not turn green.
    bool convergent = true;
    // Reference tables missing locally: the run creates them with their indexes.
    QStringList newTables;
};

// The same seed gives the same case.
FuzzCase generateFuzzCase(quint64 seed);

} // namespace corvane::test
