#include "catalogue.h"

#include "namecollation.h"

#include <QFileInfo>
#include <sqlite3.h>
#include <utility>

namespace corvane::db {

namespace {

// Finalizes a statement however the reading ends.
struct Statement
{
    sqlite3_stmt* handle = nullptr;
    Statement(sqlite3* db, const char* sql, int& rc)
    {
        rc = sqlite3_prepare_v2(db, sql, -1, &handle, nullptr);
    }
    ~Statement() { sqlite3_finalize(handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

QByteArray columnBytes(sqlite3_stmt* stmt, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return QByteArray(text, sqlite3_column_bytes(stmt, column));
}

} // namespace

Catalogue::Catalogue(sqlite3* db) : m_db(db)
{
    // SQL Server names the catalogue after the database: here the file's base name.
    const char* file = sqlite3_db_filename(db, "main");
    if (file && *file)
        m_catalogName = QFileInfo(QString::fromUtf8(file)).completeBaseName().toUtf8();
}

Catalogue::~Catalogue()
{
    releaseStatements();
}

void Catalogue::releaseStatements()
{
    sqlite3_finalize(m_versionStatement);
    sqlite3_finalize(m_columnsStatement);
    m_versionStatement = nullptr;
    m_columnsStatement = nullptr;
}

// Asked before every query: prepared once, it costs a step, not a parse.
int Catalogue::readSchemaVersion(int& version) const
{
    int rc = SQLITE_OK;
    if (!m_versionStatement) {
        rc = sqlite3_prepare_v3(m_db, "PRAGMA main.schema_version", -1, SQLITE_PREPARE_PERSISTENT,
                                &m_versionStatement, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    rc = sqlite3_step(m_versionStatement);
    if (rc == SQLITE_ROW) version = sqlite3_column_int(m_versionStatement, 0);
    // Reset at once: a statement left stepped would hold the file's read lock.
    const int resetRc = sqlite3_reset(m_versionStatement);
    if (rc == SQLITE_ROW) return SQLITE_OK;
    return rc == SQLITE_DONE ? SQLITE_ERROR : resetRc != SQLITE_OK ? resetRc : rc;
}

int Catalogue::readObjects(CatalogueSnapshot& snapshot) const
{
    int rc = SQLITE_OK;
    // The engine's own sqlite_ tables are no business of the program's.
    Statement stmt(m_db,
                   "SELECT type, name, sql FROM main.sqlite_schema "
                   "WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                   rc);
    if (rc != SQLITE_OK) return rc;
    while ((rc = sqlite3_step(stmt.handle)) == SQLITE_ROW) {
        CatalogueObject object;
        object.isView = qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt.handle, 0)),
                                "view") == 0;
        object.name = columnBytes(stmt.handle, 1);
        // Only VIEWS shows a definition: a table's would be memory held for nothing.
        if (object.isView) object.definition = columnBytes(stmt.handle, 2);
        snapshot.byName[foldName(object.name.constData(), int(object.name.size()))].append(
            int(snapshot.objects.size()));
        snapshot.objects.push_back(std::move(object));
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

std::shared_ptr<CatalogueSnapshot> Catalogue::current(int& rc)
{
    int version = 0;
    rc = readSchemaVersion(version);
    if (rc != SQLITE_OK) return nullptr;
    if (m_snapshot && m_snapshot->schemaVersion == version) return m_snapshot;
    auto snapshot = std::make_shared<CatalogueSnapshot>();
    snapshot->schemaVersion = version;
    rc = readObjects(*snapshot);
    if (rc != SQLITE_OK) return nullptr;
    // Inside a transaction that writes, the version may come back after a
    // rollback with other contents: such a snapshot serves this query only.
    if (sqlite3_txn_state(m_db, "main") != SQLITE_TXN_WRITE) m_snapshot = snapshot;
    return snapshot;
}

sqlite3_stmt* Catalogue::takeColumnsStatement()
{
    sqlite3_stmt* columns = std::exchange(m_columnsStatement, nullptr);
    if (!columns &&
        sqlite3_prepare_v3(m_db,
                           "SELECT name, type, \"notnull\", dflt_value, pk "
                           "FROM pragma_table_info(?1, 'main')",
                           -1, SQLITE_PREPARE_PERSISTENT, &columns, nullptr) != SQLITE_OK) {
        sqlite3_finalize(columns);
        return nullptr;
    }
    return columns;
}

void Catalogue::giveBack(sqlite3_stmt* columns)
{
    if (!columns) return;
    sqlite3_reset(columns);
    sqlite3_clear_bindings(columns);
    if (m_columnsStatement)
        sqlite3_finalize(columns);
    else
        m_columnsStatement = columns;
}

QList<int> Catalogue::lookup(const CatalogueSnapshot& snapshot, const char* utf8, int length)
{
    return snapshot.byName.value(foldName(utf8, length));
}

} // namespace corvane::db
