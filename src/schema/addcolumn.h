#pragma once

#include <QString>

namespace corvane {

struct Context;

// The ALTER TABLE statement that adds one reference column to a local table;
// "" when nothing is to be executed (after a refusal box, or on any failure).
QString BuildAddColumnStatement(Context& ctx, const QString& referenceServer,
                                const QString& referenceUser, const QString& referencePassword,
                                const QString& referenceDatabase, const QString& localServer,
                                const QString& localUser, const QString& localPassword,
                                const QString& localDatabase, const QString& tableName,
                                const QString& columnName);

} // namespace corvane
