#include "connection_statements.h"

#include "providererror.h"

#include <algorithm>
#include <sqlite3.h>
#include <utility>

namespace corvane::db {

namespace {

[[noreturn]] void throwEngineError(sqlite3* handle)
{
    throwProviderError(QString::fromUtf8(sqlite3_errmsg(handle)).trimmed());
}

// Nothing but blanks after the statement (and its semicolon): Qt's driver
// refuses anything more, and so the text is left to it.
bool onlyBlanksAfter(const char* tail)
{
    for (; tail && *tail; ++tail)
        if (!QChar::isSpace(uchar(*tail))) return false;
    return true;
}

} // namespace

int bindValues(sqlite3_stmt* stmt, const QVariantList& values)
{
    for (int i = 0; i < int(values.size()); ++i) {
        const QVariant& value = values.at(i);
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(stmt, i + 1);
        } else if (value.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(stmt, i + 1, value.toDouble());
        } else if (value.typeId() == QMetaType::QByteArray) {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(stmt, i + 1, bytes.constData(), quint64(bytes.size()),
                                     SQLITE_TRANSIENT);
        } else if (value.canConvert<qlonglong>() && value.typeId() != QMetaType::QString) {
            rc = sqlite3_bind_int64(stmt, i + 1, value.toLongLong());
        } else {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, i + 1, text.constData(), quint64(text.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}

QVariant columnValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    case SQLITE_NULL:
        return {};
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    }
}

EmbeddedRows::EmbeddedRows(std::weak_ptr<EmbeddedStatements> owner, sqlite3_stmt* stmt)
    : m_owner(std::move(owner)), m_stmt(stmt)
{
}

EmbeddedRows::~EmbeddedRows()
{
    if (const auto owner = m_owner.lock()) owner->giveBack(m_stmt);
}

// Named as Qt's driver names result columns, so that a field is found by the
// same name whichever way the statement ran.
void EmbeddedRows::readNames()
{
    const int count = sqlite3_column_count(m_stmt);
    m_names.reserve(count);
    for (int i = 0; i < count; ++i)
        m_names << QString::fromUtf8(sqlite3_column_name(m_stmt, i)).remove(u'"');
}

bool EmbeddedRows::next(QVariantList& row)
{
    // The statements went with their connection.
    if (m_owner.expired()) throwAdoError(adoerr::ConnectionUnusable);
    if (!std::exchange(m_pending, false)) {
        if (m_done) return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc != SQLITE_ROW) {
            m_done = true;
            if (rc != SQLITE_DONE) throwEngineError(sqlite3_db_handle(m_stmt));
            return false;
        }
    }
    const int count = int(m_names.size());
    row.clear();
    row.reserve(count);
    for (int i = 0; i < count; ++i)
        row << columnValue(m_stmt, i);
    return true;
}

EmbeddedStatements::~EmbeddedStatements()
{
    for (const Kept& kept : std::as_const(m_kept))
        sqlite3_finalize(kept.stmt);
    for (sqlite3_stmt* stmt : m_oneUse)
        sqlite3_finalize(stmt);
}

// The engine's refusal is raised in its own words, as Qt's driver raises it;
// an empty text or one with a second statement is left to that driver.
sqlite3_stmt* EmbeddedStatements::prepare(const QByteArray& text)
{
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(m_handle, text.constData(), int(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throwEngineError(m_handle);
    }
    if (stmt && onlyBlanksAfter(tail)) return stmt;
    sqlite3_finalize(stmt);
    return nullptr;
}

std::unique_ptr<EmbeddedRows> EmbeddedStatements::start(const QString& sql,
                                                        const QVariantList& values)
{
    sqlite3_stmt* stmt = nullptr;
    const auto kept = m_kept.find(sql);
    if (kept != m_kept.end() && !kept->inUse) {
        stmt = kept->stmt;
        kept->inUse = true;
    } else {
        stmt = prepare(sql.toUtf8());
        if (!stmt) return nullptr;
        if (!values.isEmpty() && kept == m_kept.end() && m_kept.size() < kMaxKept) {
            m_kept.insert(sql, Kept{stmt, true});
            m_keptText.insert(stmt, sql);
        } else {
            m_oneUse.push_back(stmt);
        }
    }
    std::unique_ptr<EmbeddedRows> rows(new EmbeddedRows(weak_from_this(), stmt));
    // A count that does not match is left to the usual way, which refuses it.
    if (sqlite3_bind_parameter_count(stmt) != int(values.size())) return nullptr;
    if (bindValues(stmt, values) != SQLITE_OK) throwEngineError(m_handle);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throwEngineError(m_handle);
    rows->m_pending = rc == SQLITE_ROW;
    rows->m_done = rc == SQLITE_DONE;
    rows->readNames();
    return rows;
}

// Reset at once: a statement left mid-result would keep the file's read lock.
void EmbeddedStatements::giveBack(sqlite3_stmt* stmt)
{
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    const auto text = m_keptText.constFind(stmt);
    if (text != m_keptText.cend()) {
        m_kept[*text].inUse = false;
        return;
    }
    const auto oneUse = std::find(m_oneUse.begin(), m_oneUse.end(), stmt);
    if (oneUse != m_oneUse.end()) m_oneUse.erase(oneUse);
    sqlite3_finalize(stmt);
}

} // namespace corvane::db
