#include "embeddedexec.h"

#include "base/error.h"
#include "connection.h"
#include "connection_statements.h"
#include "namecollation.h"
#include "providererror.h"

#include <QSqlDriver>
#include <memory>
#include <sqlite3.h>

namespace corvane::db {

namespace {

sqlite3* handleOf(const Connection& connection)
{
    if (!connection.isEmbedded() || connection.State() != adStateOpen)
        throwAdoError(adoerr::ConnectionUnusable);
    const QVariant handle = connection.database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throwAdoError(adoerr::ConnectionUnusable);
    return *static_cast<sqlite3* const*>(handle.constData());
}

[[noreturn]] void throwEngineError(sqlite3* handle)
{
    throwProviderError(QString::fromUtf8(sqlite3_errmsg(handle)));
}

class Statement
{
public:
    Statement(sqlite3* handle, const char* text, int length) : m_handle(handle)
    {
        if (sqlite3_prepare_v2(handle, text, length, &m_stmt, &m_tail) != SQLITE_OK)
            throwEngineError(handle);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isEmpty() const { return m_stmt == nullptr; }
    const char* tail() const { return m_tail; }

    void bind(const QVariantList& parameters)
    {
        if (bindValues(m_stmt, parameters) != SQLITE_OK) throwEngineError(m_handle);
    }

    QList<QVariantList> run()
    {
        QList<QVariantList> rows;
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
            QVariantList row;
            for (int c = 0; c < sqlite3_column_count(m_stmt); ++c)
                row << columnValue(m_stmt, c);
            rows << row;
        }
        if (rc != SQLITE_DONE) throwEngineError(m_handle);
        return rows;
    }

private:
    sqlite3* m_handle;
    sqlite3_stmt* m_stmt = nullptr;
    const char* m_tail = nullptr;
};

// Whatever follows the statement must be blanks, comments or semicolons.
void requireNothingAfter(sqlite3* handle, const char* tail, const char* end)
{
    const QString refused = QStringLiteral("more than one statement in one batch");
    while (tail < end) {
        std::unique_ptr<Statement> next;
        try {
            next = std::make_unique<Statement>(handle, tail, int(end - tail));
        } catch (const Error&) {
            throwProviderError(refused); // a second statement, and a wrong one at that
        }
        if (!next->isEmpty()) throwProviderError(refused);
        if (next->tail() == tail) break;
        tail = next->tail();
    }
}

int authorizeCallback(void* guard, int action, const char* first, const char* second,
                      const char* database, const char*)
{
    return static_cast<CreationGuard*>(guard)->authorize(action, first, second, database);
}

QString foldedName(const QString& name)
{
    return foldName(QStringView(name).trimmed());
}

bool isSchemaTable(const char* name)
{
    for (const char* table :
         {"sqlite_master", "sqlite_schema", "sqlite_temp_master", "sqlite_temp_schema"})
        if (name && qstrcmp(name, table) == 0) return true;
    return false;
}

const char* actionName(int action)
{
    switch (action) {
    case SQLITE_DELETE:
        return "DELETE FROM";
    case SQLITE_INSERT:
        return "INSERT INTO";
    case SQLITE_UPDATE:
        return "UPDATE";
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_INDEX:
        return "DROP INDEX";
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_TABLE:
        return "DROP TABLE";
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_TEMP_VIEW:
        return "DROP VIEW";
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_TEMP_TRIGGER:
        return "DROP TRIGGER";
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_TABLE:
        return "CREATE TABLE";
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TEMP_INDEX:
        return "CREATE INDEX";
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TEMP_VIEW:
        return "CREATE VIEW";
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_TEMP_TRIGGER:
        return "CREATE TRIGGER";
    case SQLITE_ALTER_TABLE:
        return "ALTER TABLE";
    case SQLITE_ATTACH:
        return "ATTACH";
    case SQLITE_DETACH:
        return "DETACH";
    case SQLITE_PRAGMA:
        return "PRAGMA";
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        return "a transaction";
    default:
        return "an action";
    }
}

} // namespace

bool isWholeStatement(const QString& sql)
{
    // The line break keeps a closing "--" comment from swallowing the ";".
    const QByteArray text = sql.toUtf8() + "\n;";
    return sqlite3_complete(text.constData()) != 0;
}

QList<QVariantList> executeWhole(Connection& connection, const QString& sql,
                                 const QVariantList& parameters)
{
    sqlite3* handle = handleOf(connection);
    // The engine's own word for a text that stops inside a token.
    if (!isWholeStatement(sql)) throwProviderError(QStringLiteral("incomplete input"));
    const QByteArray text = sql.toUtf8();
    const char* end = text.constData() + text.size();
    Statement statement(handle, text.constData(), int(text.size()));
    if (statement.isEmpty()) return {};
    requireNothingAfter(handle, statement.tail(), end);
    statement.bind(parameters);
    return statement.run();
}

CreationGuard::CreationGuard(Connection& connection, Kind kind, const QString& name)
    : m_handle(handleOf(connection)), m_kind(kind), m_name(foldedName(name)),
      m_shownName(name.trimmed())
{
    sqlite3_set_authorizer(m_handle, authorizeCallback, this);
}

CreationGuard::~CreationGuard()
{
    sqlite3_set_authorizer(m_handle, nullptr, nullptr);
}

int CreationGuard::created(const char* name)
{
    m_created = QString::fromUtf8(name);
    return SQLITE_OK;
}

int CreationGuard::authorize(int action, const char* first, const char* second,
                             const char* database)
{
    const bool inMain = database && qstrcmp(database, "main") == 0;
    auto named = [this](const char* name) {
        return name && foldedName(QString::fromUtf8(name)) == m_name;
    };
    const bool table = m_kind == Kind::Table;
    switch (action) {
    case SQLITE_READ:
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
        // Rows of the schema tables change with every object created or
        // dropped; the statement itself is asked about on its own, and the
        // tables cannot be written to directly.
        if (isSchemaTable(first)) return SQLITE_OK;
        break;
    case SQLITE_CREATE_TABLE:
        if (table && inMain && qstrcmp(first, "sqlite_sequence") == 0) return SQLITE_OK;
        if (table && inMain && named(first)) return created(first);
        break;
    case SQLITE_CREATE_INDEX:
        if (table && inMain && named(second)) return SQLITE_OK;
        break;
    case SQLITE_REINDEX: // reported for every new index
        if (table && inMain) return SQLITE_OK;
        break;
    case SQLITE_CREATE_VIEW:
        if (!table && inMain && named(first)) return created(first);
        break;
    default:
        break;
    }
    const char* object = action == SQLITE_CREATE_INDEX ? second : first;
    m_refusal = QStringLiteral("%1 \"%2\" is not part of creating %3 \"%4\"")
                    .arg(QString::fromUtf8(actionName(action)),
                         object ? QString::fromUtf8(object) : QString(),
                         table ? QStringLiteral("table") : QStringLiteral("view"), m_shownName);
    return SQLITE_DENY;
}

EmbeddedTransaction::EmbeddedTransaction(Connection& connection)
{
    if (!connection.isEmbedded()) return;
    // Inside a transaction of the caller's, this one is a savepoint: a failure
    // undoes this part alone, and the caller decides when all of it is kept.
    m_savepoint = !sqlite3_get_autocommit(handleOf(connection));
    // IMMEDIATE: the write lock is taken (or waited for) now, never halfway.
    executeWhole(connection, m_savepoint ? QStringLiteral("SAVEPOINT corvane_part")
                                         : QStringLiteral("BEGIN IMMEDIATE"));
    m_connection = &connection;
}

EmbeddedTransaction::~EmbeddedTransaction()
{
    if (!m_connection || m_connection->State() != adStateOpen) return;
    sqlite3* handle = handleOf(*m_connection);
    // Some failures end the transaction themselves; then there is nothing to undo.
    if (sqlite3_get_autocommit(handle)) return;
    if (m_savepoint)
        sqlite3_exec(handle, "ROLLBACK TO corvane_part; RELEASE corvane_part", nullptr, nullptr,
                     nullptr);
    else
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
}

void EmbeddedTransaction::commit()
{
    if (!m_connection) return;
    executeWhole(*m_connection,
                 m_savepoint ? QStringLiteral("RELEASE corvane_part") : QStringLiteral("COMMIT"));
    m_connection = nullptr;
}

EmbeddedReadTransaction::EmbeddedReadTransaction(Connection* connection)
{
    if (!connection || !connection->isEmbedded() || connection->State() != adStateOpen) return;
    sqlite3* handle = handleOf(*connection);
    if (!sqlite3_get_autocommit(handle)) return;
    if (sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return;
    m_connection = connection;
    m_lifetime = connection->lifetime();
    m_handle = handle;
}

EmbeddedReadTransaction::~EmbeddedReadTransaction()
{
    // Reads only: whatever the engine answers, nothing is lost. A connection
    // closed or reopened in between has ended it already.
    if (!m_connection || m_lifetime.expired() || m_connection->State() != adStateOpen) return;
    try {
        if (handleOf(*m_connection) != m_handle || sqlite3_get_autocommit(m_handle)) return;
    } catch (const Error&) {
        return;
    }
    sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr);
}

} // namespace corvane::db
