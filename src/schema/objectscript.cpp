#include "objectscript.h"

#include "base/error.h"
#include "db/embeddedexec.h"
#include "embeddedsql.h"
#include "state/context.h"
#include "updaterun_batches.h"
#include "updaterun_steps.h"

namespace corvane::schema {

namespace {

db::Connection& localConnection(Context& ctx)
{
    if (!ctx.g.LocalConnection)
        throw Error(91, QStringLiteral("Object variable or With block variable not set"));
    return *ctx.g.LocalConnection;
}

// The object (table, index, view) of that name, compared as the engine compares names.
QString holderOf(db::Connection& c, const QString& name)
{
    const QList<QVariantList> rows = db::executeWhole(
        c,
        QStringLiteral("SELECT type || ' ' || tbl_name FROM sqlite_schema WHERE name = ?1 COLLATE "
                       "NOCASE AND type IN ('table', 'index', 'view')"),
        {name});
    return rows.isEmpty() ? QString() : rows.constFirst().value(0).toString();
}

QString withFreeIndexName(Context& ctx, db::Connection& c, const QString& table,
                          const QString& statement)
{
    const std::optional<NameInText> index = createIndexName(statement);
    if (!index) return statement;
    const QString holder = holderOf(c, index->name);
    if (holder.isEmpty()) return statement;
    const QString base = table + QLatin1Char('_') + index->name;
    QString name = base;
    for (int n = 2; !holderOf(c, name).isEmpty(); ++n)
        name = base + QLatin1Char('_') + QString::number(n);
    ctx.log.record(QStringLiteral("Cmd_Click: index %1 of table %2 created as %3: the name is "
                                  "taken by %4")
                       .arg(quoteEmbeddedName(index->name), quoteEmbeddedName(table),
                            quoteEmbeddedName(name), holder));
    QString renamed = statement;
    return renamed.replace(index->begin, index->length, quoteEmbeddedName(name));
}

void runStatement(Context& ctx, db::Connection& c, const db::CreationGuard& guard,
                  const QString& statement)
{
    try {
        db::executeWhole(c, statement);
    } catch (const Error& e) {
        // The engine only says "not authorized": name what it refused.
        const Error told =
            guard.refusal().isEmpty()
                ? e
                : Error(e.number(), e.description() + QStringLiteral(": ") + guard.refusal());
        logFailed(ctx, told, statement);
        throw told;
    }
    logExecuted(ctx, statement);
}

// The engine keeps a view that names a missing object; SQL Server would not.
void requireUsableView(Context& ctx, db::Connection& c, const QString& view)
{
    const QString probe = QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quoteEmbeddedName(view));
    try {
        db::executeWhole(c, probe);
    } catch (const Error& e) {
        logFailed(ctx, e, probe);
        throw;
    }
}

int runEmbedded(Context& ctx, ObjectKind kind, const QString& objectName, const QString& script)
{
    db::Connection& c = localConnection(ctx);
    QStringList statements;
    try {
        statements = embeddedBatchesOf(script);
    } catch (const Error& e) {
        logFailed(ctx, e, script);
        throw;
    }
    if (statements.isEmpty()) return 0;

    db::EmbeddedTransaction transaction(c);
    {
        const db::CreationGuard guard(c,
                                      kind == ObjectKind::Table ? db::CreationGuard::Kind::Table
                                                                : db::CreationGuard::Kind::View,
                                      objectName);
        for (const QString& statement : statements)
            runStatement(ctx, c, guard,
                         kind == ObjectKind::Table
                             ? withFreeIndexName(ctx, c, objectName, statement)
                             : statement);
        if (kind == ObjectKind::View && !guard.created().isEmpty())
            requireUsableView(ctx, c, guard.created());
    }
    transaction.commit();
    return int(statements.size());
}

} // namespace

int runObjectScript(Context& ctx, ObjectKind kind, const QString& objectName,
                    const QString& script)
{
    if (localConnection(ctx).isEmbedded() && !ctx.g.PreviewMode)
        return runEmbedded(ctx, kind, objectName, script);
    // SQL Server takes the batches one by one; a preview only lists them, in
    // the engine's own cut.
    const QStringList batches =
        localConnection(ctx).isEmbedded() ? embeddedBatchesOf(script) : batchesOf(script);
    int executed = 0;
    for (const QString& batch : batches)
        executed += executeLocalStatement(ctx, batch) ? 1 : 0;
    return executed;
}

} // namespace corvane::schema
