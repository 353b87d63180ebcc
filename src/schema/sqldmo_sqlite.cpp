#include "sqldmo_sqlite.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/strings.h"
#include "embeddedcolumns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

namespace corvane::schema {

namespace {

Error sqliteError(sqlite3* handle, int code)
{
    const char* message = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(code);
    return Error(code, QStringLiteral("[SQLite]") + QString::fromUtf8(message));
}

// One existing database file. Opened for writing although nothing is written:
// the extensions every connection of the program loads need a writable one.
class SqliteFile
{
public:
    explicit SqliteFile(const QString& path)
    {
        const int rc = sqlite3_open_v2(toSqlitePath(path).constData(), &m_handle,
                                       SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const Error e = sqliteError(m_handle, rc);
            sqlite3_close(m_handle);
            throw e;
        }
    }
    ~SqliteFile() { sqlite3_close(m_handle); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // The text values of the first column of every row of a query with one
    // text parameter. A NULL comes back as a null QString.
    QStringList column(const char* sql, const QString& parameter) const
    {
        sqlite3_stmt* stmt = prepare(sql, parameter);
        QStringList values;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            values << text(stmt, 0);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) throw sqliteError(m_handle, rc);
        return values;
    }

    QList<TableInfoRow> tableInfo(const QString& table) const
    {
        sqlite3_stmt* stmt = prepare("SELECT name, type, \"notnull\", dflt_value, pk FROM "
                                     "pragma_table_info(?1) ORDER BY cid",
                                     table);
        QList<TableInfoRow> rows;
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            TableInfoRow r;
            r.name = text(stmt, 0);
            r.declaredType = text(stmt, 1);
            r.notNull = sqlite3_column_int(stmt, 2) != 0;
            r.hasDefault = sqlite3_column_type(stmt, 3) != SQLITE_NULL;
            r.defaultText = text(stmt, 3);
            r.pk = sqlite3_column_int(stmt, 4);
            rows << r;
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) throw sqliteError(m_handle, rc);
        return rows;
    }

private:
    sqlite3_stmt* prepare(const char* sql, const QString& parameter) const
    {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(m_handle, sql, -1, &stmt, nullptr);
        if (rc != SQLITE_OK) throw sqliteError(m_handle, rc);
        const QByteArray utf8 = parameter.toUtf8();
        rc = sqlite3_bind_text(stmt, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            throw sqliteError(m_handle, rc);
        }
        return stmt;
    }

    static QString text(sqlite3_stmt* stmt, int column)
    {
        if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return {};
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                 sqlite3_column_bytes(stmt, column));
    }

    sqlite3* m_handle = nullptr;
};

using SharedFile = std::shared_ptr<SqliteFile>;

// The stored name of a table or view, found as the server's collation finds
// it. Callers pass names trimmed (the grid shows them so): a stored name with
// leading blanks is found too when no other name matches, so that an object
// the comparison lists can always be scripted.
QString findObject(const SqliteFile& file, const char* type, const QString& name)
{
    const QStringList names = file.column(
        "SELECT name FROM sqlite_schema WHERE type = ?1 AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
        QString::fromLatin1(type));
    QStringList withBlanks;
    for (const QString& stored : names) {
        if (sameObjectName(stored, name)) return stored;
        if (sameObjectName(trimSpaces(stored), name)) withBlanks << stored;
    }
    if (withBlanks.size() == 1) return withBlanks.constFirst();
    throw Error(errnum::ProviderFailure, QStringLiteral("[SQLite]%1 '%2' not found in the database")
                                             .arg(QString::fromLatin1(type), name));
}

class EmbeddedTable : public Table
{
public:
    EmbeddedTable(SharedFile file, QString name) : m_file(std::move(file)), m_name(std::move(name))
    {
    }

    // The CREATE TABLE as stored, then each of the table's own CREATE INDEX
    // statements as a batch of its own (the engine's automatic indexes have none).
    QString Script(int scriptType, const QString& outputFile, const QString& newName,
                   int script2Type) override
    {
        Q_UNUSED(scriptType);
        Q_UNUSED(outputFile);
        Q_UNUSED(newName);
        Q_UNUSED(script2Type);
        QString script;
        for (const QString& statement : createStatement() + indexStatements())
            script += statement + BatchSeparator;
        return script;
    }

    QString Name() const override { return m_name; }

    QList<Column> Columns() override
    {
        static const QRegularExpression autoincrement(QStringLiteral(R"(\bAUTOINCREMENT\b)"),
                                                      QRegularExpression::CaseInsensitiveOption);
        const bool hasAutoincrement = createStatement().constFirst().contains(autoincrement);
        QList<Column> columns;
        for (const TableInfoRow& row : m_file->tableInfo(m_name))
            columns << columnFromTableInfo(row, hasAutoincrement);
        return columns;
    }

private:
    QStringList createStatement() const
    {
        QStringList sql = m_file->column(
            "SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?1", m_name);
        if (sql.isEmpty() || sql.constFirst().isEmpty())
            throw Error(errnum::ProviderFailure,
                        QStringLiteral("[SQLite]table '%1' has no definition").arg(m_name));
        return sql.mid(0, 1);
    }

    QStringList indexStatements() const
    {
        return m_file->column(
            "SELECT sql FROM sqlite_schema WHERE type = 'index' AND tbl_name = ?1 "
            "AND sql IS NOT NULL ORDER BY rowid",
            m_name);
    }

    SharedFile m_file;
    QString m_name;
};

class EmbeddedView : public View
{
public:
    EmbeddedView(SharedFile file, QString name) : m_file(std::move(file)), m_name(std::move(name))
    {
    }

    QString Script(int scriptType, const QString& outputFile, int script2Type) override
    {
        Q_UNUSED(scriptType);
        Q_UNUSED(outputFile);
        Q_UNUSED(script2Type);
        const QStringList sql = m_file->column(
            "SELECT sql FROM sqlite_schema WHERE type = 'view' AND name = ?1", m_name);
        if (sql.isEmpty() || sql.constFirst().trimmed().isEmpty()) return {};
        return sql.constFirst() + BatchSeparator;
    }

private:
    SharedFile m_file;
    QString m_name;
};

class EmbeddedDatabase : public Database
{
public:
    explicit EmbeddedDatabase(SharedFile file) : m_file(std::move(file)) {}

    std::shared_ptr<Table> Tables(const QString& name) override
    {
        return std::make_shared<EmbeddedTable>(m_file, findObject(*m_file, "table", name));
    }
    std::shared_ptr<View> Views(const QString& name) override
    {
        return std::make_shared<EmbeddedView>(m_file, findObject(*m_file, "view", name));
    }

private:
    SharedFile m_file;
};

class EmbeddedServer : public SqlServer
{
public:
    explicit EmbeddedServer(QString folder) : m_folder(std::move(folder)) {}

    void setLoginTimeout(int) override {}
    void Connect(const QString&, const QString&, const QString&) override {}
    int VersionMajor() override { return kEmbeddedVersionMajor; }
    void DisConnect() override {}

    // <folder>/<name>.db, the file name matched ignoring letter case as on
    // the server the program was written for.
    std::shared_ptr<Database> Databases(const QString& name) override
    {
        const QString wanted = name + QStringLiteral(".db");
        const QDir dir(m_folder);
        for (const QString& file : dir.entryList(QDir::Files))
            if (file.compare(wanted, Qt::CaseInsensitive) == 0)
                return std::make_shared<EmbeddedDatabase>(
                    std::make_shared<SqliteFile>(dir.filePath(file)));
        throw Error(errnum::ProviderFailure,
                    QStringLiteral("[SQLite]database '%1' not found in %2").arg(name, m_folder));
    }

private:
    QString m_folder;
};

} // namespace

std::shared_ptr<SqlServer> connectEmbeddedServer(const QString& dataSource)
{
    QString folder = dataSource.mid(dataSource.indexOf(QLatin1Char(':')) + 1);
    static const QRegularExpression port(QStringLiteral(R"(,\s*\d*\s*$)"));
    folder.remove(port);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw Error(
            errnum::ProviderFailure,
            QStringLiteral("[SQLite]Unable to connect: folder '%1' does not exist").arg(folder));
    return std::make_shared<EmbeddedServer>(folder);
}

} // namespace corvane::schema
