#include "scripting.h"

#include "base/strings.h"
#include "sqldmo.h"
#include "state/context.h"

namespace corvane {

namespace {

constexpr int kTableLoginTimeoutSeconds = 20;

// Connects a new server object, kept in SqlDmoServer, and opens the database.
schema::Database& openReferenceDatabase(Context& ctx, const QString& server, const QString& user,
                                        const QString& password, const QString& database,
                                        int loginTimeout)
{
    ctx.g.SqlDmoServer = schema::application(ctx.g).createServer();
    if (loginTimeout > 0) ctx.g.SqlDmoServer->setLoginTimeout(loginTimeout);
    ctx.g.SqlDmoServer->Connect(trimSpaces(server), trimSpaces(user), trimSpaces(password));
    ctx.g.SqlDmoDatabase = ctx.g.SqlDmoServer->Databases(trimSpaces(database));
    return *ctx.g.SqlDmoDatabase;
}

int script2Type(bool Script70Only)
{
    return Script70Only ? schema::SQLDMOScript2_70Only : schema::SQLDMOScript2_Default;
}

} // namespace

QString ScriptReferenceTable(Context& ctx, const QString& server, const QString& user,
                             const QString& password, const QString& database,
                             const QString& tableName, bool Script70Only)
{
    try {
        schema::Database& db =
            openReferenceDatabase(ctx, server, user, password, database, kTableLoginTimeoutSeconds);
        // The table name goes to the server as passed: the caller trims it.
        return db.Tables(tableName)->Script(schema::SQLDMOScript_Default, QString(), QString(),
                                            script2Type(Script70Only));
    } catch (const std::exception&) {
        return {};
    }
}

QString ScriptReferenceView(Context& ctx, const QString& server, const QString& user,
                            const QString& password, const QString& database,
                            const QString& viewName, bool Script70Only)
{
    try {
        // No login timeout of its own: the component's default applies.
        schema::Database& db = openReferenceDatabase(ctx, server, user, password, database, 0);
        return db.Views(viewName)->Script(schema::SQLDMOScript_Default, QString(),
                                          script2Type(Script70Only));
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace corvane
