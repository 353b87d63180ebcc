#include "catalogue.h"

#include "namecollation.h"
#include "sqlitestatement.h"

#include <QFileInfo>
#include <sqlite3.h>
#include <utility>

namespace corvane::db {

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
    // The engine's own sqlite_ tables are no business of the program's.
    SqliteStatement stmt(
        m_db, "SELECT type, name, sql FROM main.sqlite_schema "
              "WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    if (stmt.rc() != SQLITE_OK) return stmt.rc();
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        CatalogueObject object;
        object.isView =
            qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)), "view") == 0;
        object.name = columnBytes(stmt.get(), 1);
        // Only VIEWS shows a definition: a table's would be memory held for nothing.
        if (object.isView) object.definition = columnBytes(stmt.get(), 2);
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
