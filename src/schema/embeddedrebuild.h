#pragma once

#include "addcolumn.h"

namespace corvane {
struct Context;
}

namespace corvane::schema {

// Adds the column of an embedded addition to the local table. ALTER TABLE ADD
// when the engine can do it; otherwise, on a table that holds rows, the
// engine's documented table rebuild (a new table with the column, every row
// copied, the old one dropped, the new one renamed, its indexes and triggers
// created again) inside one transaction:
//  - an identity column: the rows are numbered from the seed by the increment;
//  - a default the engine does not take as constant (CURRENT_TIMESTAMP):
//    NOT NULL columns get it in every row, nullable ones NULL, as SQL Server
//    fills them.
// A NOT NULL column without a default on a table with rows is refused by the
// engine, as SQL Server refuses it. Throws corvane::Error; then nothing changed.
// In a preview the statement is only listed, and the result is false.
bool addEmbeddedColumn(Context& ctx, const ColumnAddition& addition);

} // namespace corvane::schema
