#include "catalogue.h"

#include "namecollation.h"

#include <QFileInfo>
#include <sqlite3.h>

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

QVariant columnVariant(sqlite3_stmt* stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return {};
    return QString::fromUtf8(columnBytes(stmt, column));
}

} // namespace

Catalogue::Catalogue(sqlite3* db) : m_db(db)
{
    // SQL Server names the catalogue after the database: here the file's base name.
    const char* file = sqlite3_db_filename(db, "main");
    if (file && *file)
        m_catalogName = QFileInfo(QString::fromUtf8(file)).completeBaseName().toUtf8();
}

int Catalogue::readSchemaVersion(int& version) const
{
    int rc = SQLITE_OK;
    Statement stmt(m_db, "PRAGMA main.schema_version", rc);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(stmt.handle);
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? SQLITE_ERROR : rc;
    version = sqlite3_column_int(stmt.handle, 0);
    return SQLITE_OK;
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
        object.definition = columnBytes(stmt.handle, 2);
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
    // Inside an open transaction the version may come back after a rollback with
    // other contents: such a snapshot serves this query only.
    if (sqlite3_get_autocommit(m_db)) m_snapshot = snapshot;
    return snapshot;
}

void Catalogue::readColumns(const QByteArray& object, std::vector<CatalogueColumn>& columns)
{
    int rc = SQLITE_OK;
    Statement stmt(m_db,
                   "SELECT name, type, \"notnull\", dflt_value, pk "
                   "FROM pragma_table_info(?1, 'main')",
                   rc);
    if (rc != SQLITE_OK) return;
    sqlite3_bind_text(stmt.handle, 1, object.constData(), int(object.size()), SQLITE_STATIC);
    int ordinal = 0;
    while (sqlite3_step(stmt.handle) == SQLITE_ROW) {
        CatalogueColumn column;
        column.name = columnBytes(stmt.handle, 0);
        column.ordinal = ++ordinal;
        column.type = parseColumnType(QString::fromUtf8(columnBytes(stmt.handle, 1)));
        // A primary key column is NOT NULL on the server whatever the engine allows.
        column.nullable =
            sqlite3_column_int(stmt.handle, 2) == 0 && sqlite3_column_int(stmt.handle, 4) == 0;
        column.defaultValue = columnVariant(stmt.handle, 3);
        columns.push_back(std::move(column));
    }
}

QList<int> Catalogue::lookup(const CatalogueSnapshot& snapshot, const char* utf8, int length)
{
    return snapshot.byName.value(foldName(utf8, length));
}

} // namespace corvane::db
