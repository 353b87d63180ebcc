#include "informationschema.h"

#include "catalogue.h"
#include "columntype.h"
#include "namecollation.h"

#include <cstring>
#include <mutex>
#include <sqlite3.h>
#include <utility>

namespace corvane::db {

namespace {

enum class View { Tables, Columns, Views };

// Column 2 is TABLE_NAME in all three tables: the one lookups go by.
constexpr int kTableNameColumn = 2;
constexpr int kByName = 1;

const char* declaration(View view)
{
    switch (view) {
    case View::Tables:
        return "CREATE TABLE x(TABLE_CATALOG TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_SCHEMA TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_NAME TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_TYPE TEXT COLLATE SQL_Latin1_General_CP1_CI_AS)";
    case View::Columns:
        return "CREATE TABLE x(TABLE_CATALOG TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_SCHEMA TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_NAME TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " COLUMN_NAME TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " ORDINAL_POSITION INTEGER,"
               " COLUMN_DEFAULT TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " IS_NULLABLE TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " DATA_TYPE TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " CHARACTER_MAXIMUM_LENGTH INTEGER, NUMERIC_PRECISION INTEGER,"
               " NUMERIC_SCALE INTEGER)";
    case View::Views:
        return "CREATE TABLE x(TABLE_CATALOG TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_SCHEMA TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " TABLE_NAME TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " VIEW_DEFINITION TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " CHECK_OPTION TEXT COLLATE SQL_Latin1_General_CP1_CI_AS,"
               " IS_UPDATABLE TEXT COLLATE SQL_Latin1_General_CP1_CI_AS)";
    }
    return nullptr;
}

struct Table : sqlite3_vtab
{
    View view = View::Tables;
    Catalogue* catalogue = nullptr;
};

struct Cursor : sqlite3_vtab_cursor
{
    std::shared_ptr<CatalogueSnapshot> snapshot;
    std::vector<int> objects; // indices into the snapshot, in the order of the rows
    size_t position = 0;      // into objects
    // COLUMNS: the columns of objects[position], read from the engine as the
    // query steps, never more than one row at a time.
    Catalogue* catalogue = nullptr;
    sqlite3_stmt* columns = nullptr;
    int ordinal = 0;
    sqlite3_int64 rowid = 0;
    bool typeRead = false;
    ColumnType type; // of the current column, once a query asks for it

    void giveBackColumns()
    {
        if (catalogue) catalogue->giveBack(std::exchange(columns, nullptr));
    }
};

Table& tableOf(sqlite3_vtab* vtab)
{
    return *static_cast<Table*>(vtab);
}
Cursor& cursorOf(sqlite3_vtab_cursor* cursor)
{
    return *static_cast<Cursor*>(cursor);
}

int xConnect(sqlite3* db, void* clientData, int argc, const char* const* argv, sqlite3_vtab** out,
             char** error)
{
    View view = View::Tables;
    const char* kind = argc > 3 ? argv[3] : "";
    if (sqlite3_stricmp(kind, "COLUMNS") == 0)
        view = View::Columns;
    else if (sqlite3_stricmp(kind, "VIEWS") == 0)
        view = View::Views;
    else if (sqlite3_stricmp(kind, "TABLES") != 0) {
        *error = sqlite3_mprintf("unknown INFORMATION_SCHEMA table %s", kind);
        return SQLITE_ERROR;
    }
    const int rc = sqlite3_declare_vtab(db, declaration(view));
    if (rc != SQLITE_OK) return rc;
    auto* table = new Table;
    std::memset(static_cast<sqlite3_vtab*>(table), 0, sizeof(sqlite3_vtab));
    table->view = view;
    table->catalogue = static_cast<Catalogue*>(clientData);
    *out = table;
    return SQLITE_OK;
}

// The engine disconnects every table before it closes the connection, and
// closes it only when no statement is left: the catalogue lets its own go.
int xDisconnect(sqlite3_vtab* vtab)
{
    tableOf(vtab).catalogue->releaseStatements();
    delete &tableOf(vtab);
    return SQLITE_OK;
}

// A TABLE_NAME = constraint becomes a lookup by name. SQLite still checks the
// constraint itself (omit stays 0), so any collation the query asks for holds:
// the lookup only narrows the rows to those equal under ours, a superset.
int xBestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.usable && constraint.iColumn == kTableNameColumn &&
            constraint.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->idxNum = kByName;
            info->estimatedCost = 10;
            info->estimatedRows = 1;
            return SQLITE_OK;
        }
    }
    info->idxNum = 0;
    info->estimatedCost = 1e6;
    info->estimatedRows = 1000;
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    auto* cursor = new Cursor;
    std::memset(static_cast<sqlite3_vtab_cursor*>(cursor), 0, sizeof(sqlite3_vtab_cursor));
    *out = cursor;
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor* cursor)
{
    cursorOf(cursor).giveBackColumns();
    delete &cursorOf(cursor);
    return SQLITE_OK;
}

bool wanted(View view, const CatalogueObject& object)
{
    return view != View::Views || object.isView;
}

// COLUMNS: from the current object's next column on, to the first object
// that has one. A view that no longer compiles has none.
void nextColumn(Cursor& cursor)
{
    cursor.typeRead = false;
    while (cursor.position < cursor.objects.size()) {
        if (cursor.ordinal == 0) {
            const QByteArray& name =
                cursor.snapshot->objects[size_t(cursor.objects[cursor.position])].name;
            sqlite3_bind_text(cursor.columns, 1, name.constData(), int(name.size()), SQLITE_STATIC);
        }
        if (sqlite3_step(cursor.columns) == SQLITE_ROW) {
            ++cursor.ordinal;
            return;
        }
        sqlite3_reset(cursor.columns);
        cursor.ordinal = 0;
        ++cursor.position;
    }
}

int xFilter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    Cursor& cursor = cursorOf(base);
    Table& table = tableOf(base->pVtab);
    int rc = SQLITE_OK;
    cursor.giveBackColumns();
    cursor.snapshot = table.catalogue->current(rc);
    cursor.objects.clear();
    cursor.position = 0;
    cursor.ordinal = 0;
    cursor.rowid = 0;
    if (!cursor.snapshot) {
        table.zErrMsg = sqlite3_mprintf("%s", sqlite3_errstr(rc));
        return rc;
    }
    if (idxNum == kByName && argc == 1) {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return SQLITE_OK;
        const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        for (int index : Catalogue::lookup(*cursor.snapshot, name, sqlite3_value_bytes(argv[0])))
            if (wanted(table.view, cursor.snapshot->objects[size_t(index)]))
                cursor.objects.push_back(index);
    } else {
        for (size_t i = 0; i < cursor.snapshot->objects.size(); ++i)
            if (wanted(table.view, cursor.snapshot->objects[i])) cursor.objects.push_back(int(i));
    }
    if (table.view != View::Columns || cursor.objects.empty()) return SQLITE_OK;
    cursor.catalogue = table.catalogue;
    cursor.columns = table.catalogue->takeColumnsStatement();
    if (!cursor.columns) {
        cursor.objects.clear();
        return SQLITE_OK;
    }
    nextColumn(cursor);
    return SQLITE_OK;
}

int xNext(sqlite3_vtab_cursor* base)
{
    Cursor& cursor = cursorOf(base);
    ++cursor.rowid;
    if (tableOf(base->pVtab).view == View::Columns)
        nextColumn(cursor);
    else
        ++cursor.position;
    return SQLITE_OK;
}

int xEof(sqlite3_vtab_cursor* cursor)
{
    return cursorOf(cursor).position >= cursorOf(cursor).objects.size();
}

void resultText(sqlite3_context* ctx, const QByteArray& text)
{
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void resultNumber(sqlite3_context* ctx, const QVariant& value)
{
    if (value.isNull())
        sqlite3_result_null(ctx);
    else if (value.typeId() == QMetaType::Int)
        sqlite3_result_int(ctx, value.toInt());
    else
        resultText(ctx, value.toString().toUtf8());
}

// The engine's text of one field of the current column, or NULL.
void resultField(sqlite3_context* ctx, sqlite3_stmt* columns, int field)
{
    if (sqlite3_column_type(columns, field) == SQLITE_NULL)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_text(ctx, reinterpret_cast<const char*>(sqlite3_column_text(columns, field)),
                            sqlite3_column_bytes(columns, field), SQLITE_TRANSIENT);
}

const ColumnType& typeOf(Cursor& cursor)
{
    if (!cursor.typeRead) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(cursor.columns, 1));
        cursor.type =
            parseColumnType(QString::fromUtf8(text, sqlite3_column_bytes(cursor.columns, 1)));
        cursor.typeRead = true;
    }
    return cursor.type;
}

void columnOfColumns(sqlite3_context* ctx, Cursor& cursor, int field)
{
    sqlite3_stmt* columns = cursor.columns;
    switch (field) {
    case 3:
        resultField(ctx, columns, 0);
        break;
    case 4:
        sqlite3_result_int(ctx, cursor.ordinal);
        break;
    case 5:
        resultField(ctx, columns, 3);
        break;
    case 6: {
        // A primary key column is NOT NULL on the server whatever the engine allows.
        const bool nullable =
            sqlite3_column_int(columns, 2) == 0 && sqlite3_column_int(columns, 4) == 0;
        sqlite3_result_text(ctx, nullable ? "YES" : "NO", -1, SQLITE_STATIC);
        break;
    }
    case 7:
        resultText(ctx, typeOf(cursor).dataType.toUtf8());
        break;
    case 8:
        resultNumber(ctx, typeOf(cursor).maximumLength);
        break;
    case 9:
        resultNumber(ctx, typeOf(cursor).numericPrecision);
        break;
    case 10:
        resultNumber(ctx, typeOf(cursor).numericScale);
        break;
    default:
        sqlite3_result_null(ctx);
        break;
    }
}

int xColumn(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int field)
{
    Cursor& cursor = cursorOf(base);
    Table& table = tableOf(base->pVtab);
    const CatalogueObject& object =
        cursor.snapshot->objects[size_t(cursor.objects[cursor.position])];
    switch (field) {
    case 0:
        resultText(ctx, table.catalogue->catalogName());
        return SQLITE_OK;
    case 1:
        sqlite3_result_text(ctx, "dbo", -1, SQLITE_STATIC);
        return SQLITE_OK;
    case kTableNameColumn:
        resultText(ctx, object.name);
        return SQLITE_OK;
    default:
        break;
    }
    if (table.view == View::Tables) {
        sqlite3_result_text(ctx, object.isView ? "VIEW" : "BASE TABLE", -1, SQLITE_STATIC);
    } else if (table.view == View::Views) {
        if (field == 3)
            resultText(ctx, object.definition);
        else
            sqlite3_result_text(ctx, field == 4 ? "NONE" : "NO", -1, SQLITE_STATIC);
    } else {
        columnOfColumns(ctx, cursor, field);
    }
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid)
{
    *rowid = cursorOf(cursor).rowid;
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module module{};
    module.xCreate = xConnect;
    module.xConnect = xConnect;
    module.xBestIndex = xBestIndex;
    module.xDisconnect = xDisconnect;
    module.xDestroy = xDisconnect;
    module.xOpen = xOpen;
    module.xClose = xClose;
    module.xFilter = xFilter;
    module.xNext = xNext;
    module.xEof = xEof;
    module.xColumn = xColumn;
    module.xRowid = xRowid;
    return module;
}

int collate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return compareNames(static_cast<const char*>(a), lengthA, static_cast<const char*>(b), lengthB);
}

void deleteCatalogue(void* catalogue)
{
    delete static_cast<Catalogue*>(catalogue);
}

// Qt's own wait for a locked database (QSQLITE_BUSY_TIMEOUT unset).
constexpr int kBusyTimeoutMilliseconds = 5000;

constexpr const char* kAttach =
    "ATTACH DATABASE ':memory:' AS INFORMATION_SCHEMA;"
    "CREATE VIRTUAL TABLE INFORMATION_SCHEMA.TABLES USING corvane_information_schema(TABLES);"
    "CREATE VIRTUAL TABLE INFORMATION_SCHEMA.COLUMNS USING corvane_information_schema(COLUMNS);"
    "CREATE VIRTUAL TABLE INFORMATION_SCHEMA.VIEWS USING corvane_information_schema(VIEWS);";

// Set while openWithoutInformationSchema opens a handle: the layer stays off it.
thread_local bool t_plainOpen = false;

int installOnConnection(sqlite3* db, char** error, const sqlite3_api_routines*)
{
    // First of all: the attach below reads the schema, and a file another
    // program has locked is waited for as long as any write lock is.
    sqlite3_busy_timeout(db, kBusyTimeoutMilliseconds);
    int rc =
        sqlite3_create_collation_v2(db, kServerCollation, SQLITE_UTF8, nullptr, collate, nullptr);
    if (t_plainOpen) return rc;
    static const sqlite3_module module = makeModule();
    if (rc == SQLITE_OK)
        rc = sqlite3_create_module_v2(db, "corvane_information_schema", &module, new Catalogue(db),
                                      deleteCatalogue);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, kAttach, nullptr, nullptr, nullptr);
    // A read-only connection cannot hold the tables: it serves without them.
    if (rc == SQLITE_READONLY) {
        sqlite3_exec(db, "DETACH DATABASE INFORMATION_SCHEMA", nullptr, nullptr, nullptr);
        return SQLITE_OK;
    }
    // Otherwise the open fails with the engine's own reason (a lock still
    // held, a file that is not a database), before anything could replace it.
    if (rc != SQLITE_OK) *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
}

constexpr const char* kExtensionFailure = "automatic extension loading failed: ";

} // namespace

QString openFailureText(const QString& text)
{
    return text.startsWith(QLatin1String(kExtensionFailure))
               ? text.mid(qsizetype(qstrlen(kExtensionFailure)))
               : text;
}

int openWithoutInformationSchema(const QByteArray& path, int flags, sqlite3** handle)
{
    t_plainOpen = true;
    const int rc = sqlite3_open_v2(path.constData(), handle, flags, nullptr);
    t_plainOpen = false;
    return rc;
}

void installInformationSchema()
{
    static std::once_flag once;
    std::call_once(
        once, [] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(&installOnConnection)); });
}

} // namespace corvane::db
