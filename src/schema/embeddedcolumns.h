#pragma once

#include "sqldmo.h"

#include <QString>

namespace corvane::schema {

// One row of the embedded engine's pragma_table_info.
struct TableInfoRow
{
    QString name;
    QString declaredType; // as the pragma gives it (bracketed types come back mangled)
    bool notNull = false;
    bool hasDefault = false;
    QString defaultText; // as the pragma gives it: one pair of parentheses dropped
    int pk = 0;          // position in the primary key, 0 when not part of it
};

// The column as SQL Server would describe it: base type name in lower case,
// length / precision / scale from the declared type, the default with its
// parentheses restored, identity from "IDENTITY (seed, inc)" in the declared
// type or from INTEGER PRIMARY KEY AUTOINCREMENT.
Column columnFromTableInfo(const TableInfoRow& row, bool tableHasAutoincrement);

// Name comparison of the server's default collation: letter case and trailing
// blanks ignored, leading blanks significant.
bool sameObjectName(const QString& a, const QString& b);

} // namespace corvane::schema
