#include "embeddedrebuild.h"

#include "base/error.h"
#include "base/strings.h"
#include "db/embeddedexec.h"
#include "embeddedsql.h"
#include "embeddedwriter.h"
#include "state/context.h"
#include "updaterun_steps.h"

namespace corvane::schema {

namespace {

using db::executeWhole;

QVariant single(db::Connection& c, const QString& sql, const QVariantList& parameters = {})
{
    const QList<QVariantList> rows = executeWhole(c, sql, parameters);
    return rows.isEmpty() || rows.constFirst().isEmpty() ? QVariant()
                                                         : rows.constFirst().constFirst();
}

[[noreturn]] void refuse(const QString& text)
{
    throw Error(errnum::ProviderFailure, text);
}

// Foreign keys cannot be switched inside a transaction: off before it, back after.
class ForeignKeysOff
{
public:
    explicit ForeignKeysOff(db::Connection& c) : m_connection(c)
    {
        m_wasOn = single(c, QStringLiteral("PRAGMA foreign_keys")).toInt() == 1;
        if (m_wasOn) executeWhole(c, QStringLiteral("PRAGMA foreign_keys = OFF"));
    }
    ~ForeignKeysOff()
    {
        if (!m_wasOn) return;
        try {
            executeWhole(m_connection, QStringLiteral("PRAGMA foreign_keys = ON"));
        } catch (const Error&) {
        }
    }
    ForeignKeysOff(const ForeignKeysOff&) = delete;
    ForeignKeysOff& operator=(const ForeignKeysOff&) = delete;
    bool wasOn() const { return m_wasOn; }

private:
    db::Connection& m_connection;
    bool m_wasOn = false;
};

QString freeName(db::Connection& c, const QString& base)
{
    QString name = base;
    for (int n = 2;
         !single(c, QStringLiteral("SELECT 1 FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE"),
                 {name})
              .isNull();
         ++n)
        name = base + QLatin1Char('_') + QString::number(n);
    return name;
}

// What the copy writes into the new column; "" when its default fills it.
QString newColumnValue(const Column& column)
{
    if (column.Identity)
        return QStringLiteral("%1 + (row_number() OVER () - 1) * %2")
            .arg(column.IdentitySeed)
            .arg(column.IdentityIncrement);
    if (column.AllowNulls) return QStringLiteral("NULL");
    return {};
}

class Rebuild
{
public:
    Rebuild(db::Connection& c, const ColumnAddition& a) : m_c(c), m_a(a) {}
    void run();

private:
    QString createText(const QString& workName);
    void copyRows(const QString& workName);
    void keepSequence(const QVariant& sequence);

    db::Connection& m_c;
    const ColumnAddition& m_a;
};

QString Rebuild::createText(const QString& workName)
{
    const QString sql =
        single(m_c,
               QStringLiteral("SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?1"),
               {m_a.localTable})
            .toString();
    const std::optional<TableText> table = createTableText(sql);
    if (!table)
        refuse(QStringLiteral("the definition of table \"%1\" cannot be read").arg(m_a.localTable));
    QString text = sql;
    // The column first: it stands after the name, whose position stays valid.
    text.insert(table->afterLastColumn,
                QStringLiteral(", ") + embeddedColumnDefinition(m_a.column));
    text.replace(table->name.begin, table->name.length, quoteEmbeddedName(workName));
    return text;
}

void Rebuild::copyRows(const QString& workName)
{
    QStringList columns;
    for (const QVariantList& row : executeWhole(
             m_c, QStringLiteral("SELECT name FROM pragma_table_info(?1)"), {m_a.localTable}))
        columns << quoteEmbeddedName(row.value(0).toString());
    QStringList target = columns;
    QStringList values = columns;
    const QString value = newColumnValue(m_a.column);
    if (!value.isEmpty()) {
        target << quoteEmbeddedName(trimSpaces(m_a.column.Name));
        values << value;
    }
    executeWhole(m_c,
                 QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
                     .arg(quoteEmbeddedName(workName), target.join(QStringLiteral(", ")),
                          values.join(QStringLiteral(", ")), quoteEmbeddedName(m_a.localTable)));
}

// The new table starts its AUTOINCREMENT count from the rows copied; the old
// count may be higher (rows deleted since) and must not go back.
void Rebuild::keepSequence(const QVariant& sequence)
{
    if (sequence.isNull()) return;
    executeWhole(m_c,
                 QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT ?1, ?2 WHERE NOT "
                                "EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = ?1)"),
                 {m_a.localTable, sequence});
    executeWhole(m_c,
                 QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1"),
                 {m_a.localTable, sequence});
}

void Rebuild::run()
{
    const QString defaultText = embeddedDefault(trimSpaces(m_a.column.DRIDefaultText));
    if (!defaultText.isEmpty() && !isSingleExpression(defaultText))
        refuse(QStringLiteral("the default %1 is not one expression").arg(defaultText));

    ForeignKeysOff foreignKeys(m_c);
    db::EmbeddedTransaction transaction(m_c);
    const QString table = quoteEmbeddedName(m_a.localTable);
    const QVariant rowsBefore = single(m_c, QStringLiteral("SELECT count(*) FROM ") + table);
    const QList<QVariantList> dependents =
        executeWhole(m_c,
                     QStringLiteral("SELECT sql FROM sqlite_schema WHERE tbl_name = ?1 AND type IN "
                                    "('index', 'trigger') AND sql IS NOT NULL ORDER BY rowid"),
                     {m_a.localTable});
    const bool hasSequence =
        !single(m_c, QStringLiteral("SELECT 1 FROM sqlite_schema WHERE name = 'sqlite_sequence'"))
             .isNull();
    const QVariant sequence =
        hasSequence ? single(m_c, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1"),
                             {m_a.localTable})
                    : QVariant();

    const QString workName = freeName(m_c, m_a.localTable + QStringLiteral("_rebuild"));
    executeWhole(m_c, createText(workName));
    copyRows(workName);
    executeWhole(m_c, QStringLiteral("DROP TABLE ") + table);
    // The legacy rename leaves views and triggers that name the table as they
    // are: they name it again once the new table takes its name.
    const QVariant legacy = single(m_c, QStringLiteral("PRAGMA legacy_alter_table"));
    executeWhole(m_c, QStringLiteral("PRAGMA legacy_alter_table = ON"));
    executeWhole(
        m_c, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoteEmbeddedName(workName), table));
    executeWhole(m_c, QStringLiteral("PRAGMA legacy_alter_table = %1").arg(legacy.toInt()));
    for (const QVariantList& dependent : dependents)
        executeWhole(m_c, dependent.value(0).toString());
    keepSequence(sequence);

    if (single(m_c, QStringLiteral("SELECT count(*) FROM ") + table) != rowsBefore)
        refuse(QStringLiteral("table \"%1\" lost rows while it was rebuilt").arg(m_a.localTable));
    if (foreignKeys.wasOn() &&
        !executeWhole(m_c, QStringLiteral("SELECT 1 FROM pragma_foreign_key_check(?1)"),
                      {m_a.localTable})
             .isEmpty())
        refuse(QStringLiteral("FOREIGN KEY constraint failed"));
    transaction.commit();
}

} // namespace

bool addEmbeddedColumn(Context& ctx, const ColumnAddition& addition)
{
    if (ctx.g.PreviewMode) return executeLocalStatement(ctx, addition.statement);
    db::Connection& c = *ctx.g.LocalConnection;
    const bool hasRows =
        !executeWhole(
             c,
             QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(quoteEmbeddedName(addition.localTable)))
             .isEmpty();
    const bool hasDefault = !trimSpaces(addition.column.DRIDefaultText).isEmpty();
    if (!(hasRows && addition.column.Identity)) {
        try {
            executeWhole(c, addition.statement);
            logExecuted(ctx, addition.statement);
            return true;
        } catch (const Error& e) {
            // Only what a rebuild can do better is tried again that way.
            if (!hasRows || !hasDefault) {
                logFailed(ctx, e, addition.statement);
                throw;
            }
            ctx.log.record(QStringLiteral("Cmd_Click: the engine cannot add the column with ALTER "
                                          "TABLE (%1): %2")
                               .arg(e.description(), addition.statement));
        }
    }
    try {
        Rebuild(c, addition).run();
    } catch (const Error& e) {
        logFailed(ctx, e, addition.statement);
        throw;
    }
    ctx.log.record(QStringLiteral("Cmd_Click: column %1 added to table %2 by rebuilding the table")
                       .arg(quoteEmbeddedName(trimSpaces(addition.column.Name)),
                            quoteEmbeddedName(addition.localTable)));
    return true;
}

} // namespace corvane::schema
