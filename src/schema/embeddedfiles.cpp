#include "embeddedfiles.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/strings.h"
#include "db/connection.h"
#include "db/informationschema.h"
#include "db/namecollation.h"
#include "db/sqlitestatement.h"

#include <sqlite3.h>

namespace corvane::schema {

namespace {

// Its own handles wait for a writer as long as the program's connections do.
constexpr int kBusyTimeoutMilliseconds = 5000;

Error sqliteError(sqlite3* handle, int code)
{
    const char* message = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code);
    return Error(code, QStringLiteral("[SQLite]") + QString::fromUtf8(message));
}

QString text(sqlite3_stmt* stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

// A prepared statement whose failures are thrown.
class Statement
{
public:
    Statement(sqlite3* handle, const char* sql) : m_handle(handle), m_stmt(handle, sql)
    {
        if (m_stmt.rc() != SQLITE_OK) throw sqliteError(handle, m_stmt.rc());
    }

    void bind(const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        const int rc = sqlite3_bind_text(m_stmt.get(), 1, utf8.constData(), int(utf8.size()),
                                         SQLITE_TRANSIENT);
        if (rc != SQLITE_OK) throw sqliteError(m_handle, rc);
    }
    bool step()
    {
        const int rc = sqlite3_step(m_stmt.get());
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) throw sqliteError(m_handle, rc);
        return false;
    }
    sqlite3_stmt* get() const { return m_stmt.get(); }

private:
    sqlite3* m_handle;
    db::SqliteStatement m_stmt;
};

int schemaVersion(sqlite3* handle)
{
    Statement stmt(handle, "PRAGMA main.schema_version");
    return stmt.step() ? sqlite3_column_int(stmt.get(), 0) : -1;
}

} // namespace

struct EmbeddedFiles::OwnHandle
{
    sqlite3* handle = nullptr;
    ~OwnHandle() { sqlite3_close(handle); }
};

// The names of one file at one schema version, each kind by its folded name.
struct EmbeddedFiles::Catalogue
{
    sqlite3* readOn = nullptr;
    int version = -1;
    std::vector<EmbeddedObject> objects;
    QHash<QString, QList<int>> tables, views;
    // Names stored with leading blanks, by their trimmed folded name.
    QHash<QString, QList<int>> blankTables, blankViews;

    void read(sqlite3* handle)
    {
        readOn = handle;
        version = schemaVersion(handle);
        objects.clear();
        tables.clear();
        views.clear();
        blankTables.clear();
        blankViews.clear();
        QHash<QString, int> tableByStoredName;
        QList<std::pair<QString, QString>> indexes; // table, sql
        // The engine's own sqlite_ tables are no business of the program's.
        Statement stmt(handle, "SELECT type, name, tbl_name, sql FROM main.sqlite_schema "
                               "WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
        while (stmt.step()) {
            const QString type = text(stmt.get(), 0);
            if (type == u"index") {
                if (sqlite3_column_type(stmt.get(), 3) != SQLITE_NULL)
                    indexes.push_back({text(stmt.get(), 2), text(stmt.get(), 3)});
                continue;
            }
            if (type != u"table" && type != u"view") continue;
            EmbeddedObject object{text(stmt.get(), 1), db::columnBytes(stmt.get(), 3), {}};
            const int index = int(objects.size());
            const bool isView = type == u"view";
            (isView ? views : tables)[db::foldName(object.name)].append(index);
            const QString trimmed = trimSpaces(object.name);
            if (trimmed.size() != object.name.size())
                (isView ? blankViews : blankTables)[db::foldName(trimmed)].append(index);
            if (type == u"table") tableByStoredName.insert(object.name, index);
            objects.push_back(std::move(object));
        }
        for (const auto& [table, sql] : indexes) {
            const auto owner = tableByStoredName.constFind(table);
            if (owner != tableByStoredName.cend()) objects[size_t(*owner)].indexSql << sql;
        }
    }
};

EmbeddedFiles::EmbeddedFiles(OpenConnections connections) : m_connections(std::move(connections)) {}

EmbeddedFiles::~EmbeddedFiles() = default;

void EmbeddedFiles::release()
{
    m_catalogues.clear();
    m_own.clear();
}

sqlite3* EmbeddedFiles::handleFor(const QString& file)
{
    if (m_connections)
        for (const db::Connection* connection : m_connections())
            if (connection && !file.isEmpty() && connection->embeddedFile() == file)
                if (sqlite3* handle = connection->embeddedHandle()) return handle;

    std::shared_ptr<OwnHandle>& own = m_own[file];
    if (own) {
        // A file replaced under the handle since it was opened: read the new one.
        int moved = 0;
        sqlite3_file_control(own->handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved);
        if (!moved) return own->handle;
        own.reset();
        // A new handle may take the old one's address, and the new file may
        // be at the same schema version: nothing read of the old one stays.
        m_catalogues.remove(file);
    }
    auto opened = std::make_shared<OwnHandle>();
    const int rc =
        db::openWithoutInformationSchema(toSqlitePath(file), SQLITE_OPEN_READONLY, &opened->handle);
    if (rc != SQLITE_OK) {
        const Error e = sqliteError(opened->handle, rc);
        m_own.remove(file);
        throw e;
    }
    sqlite3_busy_timeout(opened->handle, kBusyTimeoutMilliseconds);
    own = opened;
    return own->handle;
}

EmbeddedFiles::Catalogue& EmbeddedFiles::catalogueOf(const QString& file)
{
    sqlite3* handle = handleFor(file);
    std::shared_ptr<Catalogue>& catalogue = m_catalogues[file];
    if (!catalogue) catalogue = std::make_shared<Catalogue>();
    if (catalogue->readOn != handle || catalogue->version != schemaVersion(handle)) {
        try {
            catalogue->read(handle);
        } catch (...) {
            m_catalogues.remove(file);
            throw;
        }
    }
    return *catalogue;
}

EmbeddedObject EmbeddedFiles::find(const QString& file, bool view, const QString& name)
{
    const Catalogue& catalogue = catalogueOf(file);
    const QString key = db::foldName(name);
    for (const int index : (view ? catalogue.views : catalogue.tables).value(key))
        if (sameObjectName(catalogue.objects[size_t(index)].name, name))
            return catalogue.objects[size_t(index)];
    // Callers pass names trimmed, as the grid shows them: a stored name with
    // leading blanks is found when it is the only one that matches.
    QList<int> withBlanks;
    for (const int index : (view ? catalogue.blankViews : catalogue.blankTables).value(key))
        if (sameObjectName(trimSpaces(catalogue.objects[size_t(index)].name), name))
            withBlanks << index;
    if (withBlanks.size() == 1) return catalogue.objects[size_t(withBlanks.constFirst())];
    throw Error(errnum::ProviderFailure,
                QStringLiteral("[SQLite]%1 '%2' not found in the database")
                    .arg(view ? QStringLiteral("view") : QStringLiteral("table"), name));
}

EmbeddedObject EmbeddedFiles::table(const QString& file, const QString& name)
{
    return find(file, false, name);
}

EmbeddedObject EmbeddedFiles::view(const QString& file, const QString& name)
{
    return find(file, true, name);
}

QList<TableInfoRow> EmbeddedFiles::tableInfo(const QString& file, const QString& table)
{
    Statement stmt(handleFor(file), "SELECT name, type, \"notnull\", dflt_value, pk FROM "
                                    "pragma_table_info(?1, 'main') ORDER BY cid");
    stmt.bind(table);
    QList<TableInfoRow> rows;
    while (stmt.step()) {
        TableInfoRow r;
        r.name = text(stmt.get(), 0);
        r.declaredType = text(stmt.get(), 1);
        r.notNull = sqlite3_column_int(stmt.get(), 2) != 0;
        r.hasDefault = sqlite3_column_type(stmt.get(), 3) != SQLITE_NULL;
        r.defaultText = text(stmt.get(), 3);
        r.pk = sqlite3_column_int(stmt.get(), 4);
        rows << r;
    }
    return rows;
}

} // namespace corvane::schema
