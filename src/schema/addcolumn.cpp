#include "addcolumn.h"

#include "addcolumnstatement.h"
#include "base/strings.h"
#include "db/connection.h"
#include "embeddedwriter.h"
#include "sqldmo.h"
#include "state/context.h"

namespace corvane {

namespace {

bool sameColumnName(const QString& reference, const QString& wanted)
{
    return trimSpaces(reference).toUpper() == wanted.toUpper();
}

// Connects a new server object into `server` and returns the named database.
std::shared_ptr<schema::Database> openDatabase(Context& ctx,
                                               std::shared_ptr<schema::SqlServer>& server,
                                               const QString& name, const QString& user,
                                               const QString& password, const QString& database)
{
    server = schema::application(ctx.g).createServer();
    server->Connect(trimSpaces(name), trimSpaces(user), trimSpaces(password));
    return server->Databases(trimSpaces(database));
}

void refuse(Context& ctx, const QString& text, const QString& title)
{
    ctx.port.messageBox(text, title, style::Critical);
}

} // namespace

QString BuildAddColumnStatement(Context& ctx, const QString& referenceServer,
                                const QString& referenceUser, const QString& referencePassword,
                                const QString& referenceDatabase, const QString& localServer,
                                const QString& localUser, const QString& localPassword,
                                const QString& localDatabase, const QString& tableName,
                                const QString& columnName)
{
    return PrepareColumnAddition(ctx, referenceServer, referenceUser, referencePassword,
                                 referenceDatabase, localServer, localUser, localPassword,
                                 localDatabase, tableName, columnName)
        .statement;
}

schema::ColumnAddition
PrepareColumnAddition(Context& ctx, const QString& referenceServer, const QString& referenceUser,
                      const QString& referencePassword, const QString& referenceDatabase,
                      const QString& localServer, const QString& localUser,
                      const QString& localPassword, const QString& localDatabase,
                      const QString& tableName, const QString& columnName)
{
    try {
        ctx.g.SqlDmoDatabase = openDatabase(ctx, ctx.g.SqlDmoServer, referenceServer, referenceUser,
                                            referencePassword, referenceDatabase);
        const QString table = trimSpaces(tableName);
        const QString column = trimSpaces(columnName);

        // Every reference column is read; the last one of the wanted name wins.
        QList<schema::Column> entries;
        qsizetype target = 0;
        for (const schema::Column& c : ctx.g.SqlDmoDatabase->Tables(table)->Columns()) {
            entries << c;
            const bool wanted = sameColumnName(c.Name, column);
            if (wanted) target = entries.size();
            if (wanted && c.InPrimaryKey) {
                refuse(ctx, QStringLiteral("Non Posso Aggiungere il Campo Perchè è una chiave!!"),
                       QStringLiteral("Attenzione"));
                return {};
            }
        }

        ctx.g.LocalSqlDmoDatabase = openDatabase(ctx, ctx.g.LocalSqlDmoServer, localServer,
                                                 localUser, localPassword, localDatabase);
        const std::shared_ptr<schema::Table> localTable = ctx.g.LocalSqlDmoDatabase->Tables(table);
        for (const schema::Column& c : localTable->Columns()) {
            if (c.Name == column) {
                refuse(ctx,
                       QStringLiteral("Non posso  creare il Campo '") + column +
                           QStringLiteral("'\r\nPerchè sul server '") + localServer +
                           QStringLiteral("' esiste gia !"),
                       QStringLiteral("Esiste il Campo su server di lavoro"));
                return {};
            }
        }

        if (target == 0) {
            refuse(ctx, QStringLiteral("ERRORE Non posso Creare il Campo !!"),
                   QStringLiteral("Campo non Trovato nel Database di Origine"));
            return {};
        }

        ctx.port.yield();
        schema::ColumnAddition addition;
        addition.column = entries.at(target - 1);
        addition.embedded = db::isEmbeddedDataSource(trimSpaces(localServer));
        if (!addition.embedded) {
            addition.statement = schema::addColumnStatement(table, addition.column);
            return addition;
        }
        // The table as the engine stores it: the comparison found it ignoring
        // letter case (every letter) and trailing blanks, the engine would not.
        addition.localTable = localTable->Name().isEmpty() ? table : localTable->Name();
        addition.statement =
            schema::embeddedAddColumnStatement(addition.localTable, addition.column);
        return addition;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace corvane
