#include "objectscript.h"

#include "base/error.h"
#include "base/strings.h"
#include "db/embeddedexec.h"
#include "embeddedsql.h"
#include "runtransaction.h"
#include "state/context.h"
#include "updaterun_batches.h"
#include "updaterun_steps.h"

namespace corvane::schema {

namespace {

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

// The comparison looks a view up by the name the grid shows, trimmed; a view
// whose reference name has leading blanks is created under that name, or
// its row could never turn green.
QString withTrimmedViewName(const QString& viewName, const QString& statement)
{
    const std::optional<NameInText> view = createViewName(statement);
    if (!view || view->name == viewName || trimSpaces(view->name) != viewName) return statement;
    QString renamed = statement;
    return renamed.replace(view->begin, view->length, quoteEmbeddedName(viewName));
}

// An object's failure, as the error box tells it, and the log: the statement
// that failed, or a note.
struct Failed
{
    Error error;
    QString statement;
    QString note;
};

void runStatement(db::Connection& c, const db::CreationGuard& guard, const QString& statement)
{
    try {
        db::executeWhole(c, statement);
    } catch (const Error& e) {
        // The engine only says "not authorized": name what it refused.
        throw Failed{
            guard.refusal().isEmpty()
                ? e
                : Error(e.number(), e.description() + QStringLiteral(": ") + guard.refusal()),
            statement,
            {}};
    }
}

// The engine keeps a view that names a missing object; SQL Server would not.
// The probe is no statement of the update: its failure is a line of the log.
void requireUsableView(db::Connection& c, const QString& view)
{
    const QString probe = QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quoteEmbeddedName(view));
    try {
        db::executeWhole(c, probe);
    } catch (const Error& e) {
        throw Failed{e,
                     {},
                     QStringLiteral("Cmd_Click: view %1 not kept, it does not work yet: %2")
                         .arg(quoteEmbeddedName(view), e.description())};
    }
}

// The object's statements, each refused unless it creates that object.
QStringList runGuarded(Context& ctx, db::Connection& c, ObjectKind kind, const QString& objectName,
                       const QStringList& statements)
{
    QStringList sent;
    const db::CreationGuard guard(c,
                                  kind == ObjectKind::Table ? db::CreationGuard::Kind::Table
                                                            : db::CreationGuard::Kind::View,
                                  objectName);
    for (const QString& statement : statements) {
        sent << (kind == ObjectKind::Table ? withFreeIndexName(ctx, c, objectName, statement)
                                           : withTrimmedViewName(objectName, statement));
        runStatement(c, guard, sent.constLast());
    }
    if (kind == ObjectKind::View && !guard.created().isEmpty())
        requireUsableView(c, guard.created());
    return sent;
}

int runEmbedded(Context& ctx, ObjectKind kind, const QString& objectName, const QString& script,
                RunTransaction* run)
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

    if (run) run->enter();
    QStringList sent;
    try {
        db::EmbeddedTransaction transaction(c);
        sent = runGuarded(ctx, c, kind, objectName, statements);
        transaction.commit();
    } catch (const Failed& failed) {
        // The objects before this one are kept, and logged, before its failure is.
        if (run) run->commit();
        if (failed.note.isEmpty())
            logFailed(ctx, failed.error, failed.statement);
        else
            ctx.log.record(failed.note);
        throw failed.error;
    } catch (const Error&) {
        if (run) run->commit();
        throw;
    }
    // Logged once they are kept: a failure rolls every one of them back.
    const auto logAll = [&ctx, sent] {
        for (const QString& statement : sent)
            logExecuted(ctx, statement);
    };
    if (run)
        run->whenKept(logAll);
    else
        logAll();
    return int(sent.size());
}

} // namespace

int runObjectScript(Context& ctx, ObjectKind kind, const QString& objectName, const QString& script,
                    RunTransaction* run)
{
    if (localConnection(ctx).isEmbedded() && !ctx.g.PreviewMode)
        return runEmbedded(ctx, kind, objectName, script, run);
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
