#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::db {

// Binds values to the ? placeholders in order, as the engine stores them:
// NULL, REAL, BLOB, INTEGER for whole numbers and booleans, TEXT otherwise.
// Returns the engine's code.
int bindValues(sqlite3_stmt* stmt, const QVariantList& values);
// One column of the current row: INTEGER as qlonglong, REAL as double, BLOB as
// QByteArray, TEXT as QString, NULL as a null QVariant.
QVariant columnValue(sqlite3_stmt* stmt, int column);

class EmbeddedStatements;

// A statement of an embedded connection, read straight from the engine, one
// row at a time. Goes back to its connection's cache, reset, when destroyed.
class EmbeddedRows
{
public:
    ~EmbeddedRows();
    EmbeddedRows(const EmbeddedRows&) = delete;
    EmbeddedRows& operator=(const EmbeddedRows&) = delete;

    // False for a statement that returns no rows (it has run to its end).
    bool isSelect() const { return !m_names.isEmpty(); }
    const QStringList& columnNames() const { return m_names; }
    // The next row into row; false at the end. Throws the engine's error.
    bool next(QVariantList& row);

private:
    friend class EmbeddedStatements;
    EmbeddedRows(std::weak_ptr<EmbeddedStatements> owner, sqlite3_stmt* stmt);
    void readNames();

    std::weak_ptr<EmbeddedStatements> m_owner;
    sqlite3_stmt* m_stmt;
    QStringList m_names;
    bool m_pending = false; // the first row, stepped at start, not handed out yet
    bool m_done = false;
};

// The prepared statements of one embedded connection. A statement run with
// values is kept, keyed by its text, so that asking the same question of
// another name costs a bind, not a parse. Finalizes every statement it
// prepared when destroyed, which must happen before the handle closes.
class EmbeddedStatements : public std::enable_shared_from_this<EmbeddedStatements>
{
public:
    // Keeps at most this many texts; past it, a new text is prepared for one use.
    static constexpr int kMaxKept = 64;

    explicit EmbeddedStatements(sqlite3* handle) : m_handle(handle) {}
    ~EmbeddedStatements();
    EmbeddedStatements(const EmbeddedStatements&) = delete;
    EmbeddedStatements& operator=(const EmbeddedStatements&) = delete;

    // Runs one statement up to its first row. Null when the text holds no
    // statement or more than one, or the values do not fit its placeholders:
    // the caller then runs it its usual way, which refuses it in its own
    // words. Throws the engine's error when it cannot prepare or step it.
    std::unique_ptr<EmbeddedRows> start(const QString& sql, const QVariantList& values);

private:
    friend class EmbeddedRows;
    struct Kept
    {
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
    };
    sqlite3_stmt* prepare(const QByteArray& text);
    void giveBack(sqlite3_stmt* stmt);

    sqlite3* m_handle;
    QHash<QString, Kept> m_kept;
    QHash<sqlite3_stmt*, QString> m_keptText;
    std::vector<sqlite3_stmt*> m_oneUse; // handed out, finalized when given back
};

} // namespace corvane::db
