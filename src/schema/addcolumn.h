#pragma once

#include "sqldmo.h"

#include <QString>

namespace corvane {

struct Context;

namespace schema {
// A column addition: the statement for the local server, and for the embedded
// engine what it takes beyond it (the local table as stored, the column).
struct ColumnAddition
{
    QString statement; // "" when nothing is to be executed
    bool embedded = false;
    QString localTable;
    Column column;
};
} // namespace schema

// The ALTER TABLE statement that adds one reference column to a local table;
// "" when nothing is to be executed (after a refusal box, or on any failure).
QString BuildAddColumnStatement(Context& ctx, const QString& referenceServer,
                                const QString& referenceUser, const QString& referencePassword,
                                const QString& referenceDatabase, const QString& localServer,
                                const QString& localUser, const QString& localPassword,
                                const QString& localDatabase, const QString& tableName,
                                const QString& columnName);

// The same, with the rest of the addition. On the embedded engine the
// statement is in its own words (embeddedwriter.h) and acts on the local
// table's own name; on SQL Server it is the text above.
schema::ColumnAddition
PrepareColumnAddition(Context& ctx, const QString& referenceServer, const QString& referenceUser,
                      const QString& referencePassword, const QString& referenceDatabase,
                      const QString& localServer, const QString& localUser,
                      const QString& localPassword, const QString& localDatabase,
                      const QString& tableName, const QString& columnName);

} // namespace corvane
