#pragma once

#include <QString>

namespace corvane {

struct Context;

// Creation scripts of reference objects; "" on any failure, no message.
QString ScriptReferenceTable(Context& ctx, const QString& server, const QString& user,
                             const QString& password, const QString& database,
                             const QString& tableName, bool Script70Only);
QString ScriptReferenceView(Context& ctx, const QString& server, const QString& user,
                            const QString& password, const QString& database,
                            const QString& viewName, bool Script70Only);

} // namespace corvane
