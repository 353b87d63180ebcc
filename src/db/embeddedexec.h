#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3;

namespace corvane::db {

class Connection;

// True when the text ends outside every string, quoted name and comment, so
// that the engine would read it as it stands (sqlite3_complete).
bool isWholeStatement(const QString& sql);

// Runs exactly one statement on an embedded connection. Text that is not
// whole SQL ("incomplete input") or that holds a second statement is refused
// before anything runs; a text of comments only runs nothing. Rows a query
// returns come back, each as its values. Throws corvane::Error with the
// engine's own text.
QList<QVariantList> executeWhole(Connection& connection, const QString& sql,
                                 const QVariantList& parameters = {});

// While alive, the embedded connection accepts only what creating one object
// takes: for a table, that table and its indexes; for a view, that view; and
// reads. Everything else (DROP, DELETE, INSERT into a table, ATTACH, PRAGMA,
// triggers, transactions) is refused by the engine when it is prepared.
// Names are matched ignoring letter case and surrounding blanks.
class CreationGuard
{
public:
    enum class Kind { Table, View };

    CreationGuard(Connection& connection, Kind kind, const QString& name);
    ~CreationGuard();
    CreationGuard(const CreationGuard&) = delete;
    CreationGuard& operator=(const CreationGuard&) = delete;

    // What the guard refused last ("" when nothing), for the error text.
    const QString& refusal() const { return m_refusal; }
    // The table or view created last, as the statement named it.
    const QString& created() const { return m_created; }

    // Used by the engine's callback.
    int authorize(int action, const char* first, const char* second, const char* database);

private:
    int created(const char* name);

    sqlite3* m_handle = nullptr;
    Kind m_kind;
    QString m_name; // folded
    QString m_shownName;
    QString m_refusal;
    QString m_created;
};

// BEGIN IMMEDIATE on an embedded connection, rolled back when destroyed
// without commit(); inside a transaction already open, a savepoint of it,
// rolled back to alone. On a SQL Server connection it does nothing:
// statements there keep running one by one, as they always have.
class EmbeddedTransaction
{
public:
    explicit EmbeddedTransaction(Connection& connection);
    ~EmbeddedTransaction();
    EmbeddedTransaction(const EmbeddedTransaction&) = delete;
    EmbeddedTransaction& operator=(const EmbeddedTransaction&) = delete;

    // Throws when the engine cannot commit; the transaction is then rolled back.
    void commit();

private:
    Connection* m_connection = nullptr; // null: nothing to do
    bool m_savepoint = false;
};

// A read transaction on an embedded connection for a run of many reads: the
// file is locked and checked for changes once rather than per statement, and
// every read sees the same state. Ended when destroyed; does nothing on a SQL
// Server connection, on one already in a transaction, or on none.
class EmbeddedReadTransaction
{
public:
    explicit EmbeddedReadTransaction(Connection* connection);
    ~EmbeddedReadTransaction();
    EmbeddedReadTransaction(const EmbeddedReadTransaction&) = delete;
    EmbeddedReadTransaction& operator=(const EmbeddedReadTransaction&) = delete;

private:
    Connection* m_connection = nullptr; // null: nothing to do
    std::weak_ptr<const void> m_lifetime;
    sqlite3* m_handle = nullptr;
};

} // namespace corvane::db
