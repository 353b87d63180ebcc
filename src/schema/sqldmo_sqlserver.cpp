#include "sqldmo_sqlserver.h"

#include "base/error.h"
#include "db/connection.h"
#include "tsqlwriter.h"

#include <QVariant>
#include <vector>

namespace corvane::schema {

namespace {

using SharedConnection = std::shared_ptr<db::Connection>;

struct Login
{
    QString server;
    QString user;
    QString password;
    int timeout = kDefaultLoginTimeoutSeconds;
};

SharedConnection openConnection(const Login& login, const QString& database)
{
    auto connection = std::make_shared<db::Connection>();
    connection->setLoginTimeout(login.timeout);
    connection->Open(
        QStringLiteral("Provider=SQLOLEDB;Data Source=%1;User ID=%2;PWD=%3;DATABASE=%4")
            .arg(login.server, login.user, login.password, database));
    return connection;
}

// Catalogue queries are read whole (db::Connection::select): the component
// often asks its next question while still using the answer to the last.
using Rows = std::vector<QVariantList>;

Error notFound(const QString& kind, const QString& name)
{
    return Error(errnum::ProviderFailure,
                 QStringLiteral("[SQL-DMO]%1 '%2' does not exist on the server.").arg(kind, name));
}

ColumnDescription columnFromCatalogue(const QVariantList& row)
{
    ColumnDescription c;
    c.name = row.value(0).toString();
    c.type = row.value(1).toString().toLower();
    c.length = row.value(2).toInt();
    // The catalogue counts bytes; a Unicode type's length is in characters.
    if ((c.type == u"nchar" || c.type == u"nvarchar") && c.length > 0) c.length /= 2;
    c.precision = row.value(3).toInt();
    c.scale = row.value(4).toInt();
    c.nullable = row.value(5).toBool();
    c.identity = row.value(6).toBool();
    c.identitySeed = row.value(7).toLongLong();
    c.identityIncrement = row.value(8).toLongLong();
    c.collation = row.value(9).toString();
    c.computedDefinition = row.value(10).toString();
    if (!row.value(12).toBool()) c.defaultName = row.value(11).toString();
    c.defaultDefinition = row.value(13).toString();
    return c;
}

QList<ColumnDescription> readColumns(db::Connection& connection, int objectId)
{
    const Rows rows = connection.select(
        QStringLiteral(
            "SELECT c.name, "
            // One row per column: an alias type (sysname, or one of the database's)
            // reads as its base type, a CLR type (geometry, hierarchyid) as itself.
            "CASE WHEN t.is_assembly_type = 1 THEN t.name "
            "ELSE TYPE_NAME(c.system_type_id) END, c.max_length, c.precision, c.scale, "
            "c.is_nullable, "
            "c.is_identity, CONVERT(bigint, ic.seed_value), CONVERT(bigint, ic.increment_value), "
            "c.collation_name, cc.definition, dc.name, dc.is_system_named, dc.definition "
            "FROM sys.columns c "
            "JOIN sys.types t ON t.user_type_id = c.user_type_id "
            "LEFT JOIN sys.identity_columns ic "
            "  ON ic.object_id = c.object_id AND ic.column_id = c.column_id "
            "LEFT JOIN sys.computed_columns cc "
            "  ON cc.object_id = c.object_id AND cc.column_id = c.column_id "
            "LEFT JOIN sys.default_constraints dc "
            "  ON dc.parent_object_id = c.object_id AND dc.parent_column_id = c.column_id "
            "WHERE c.object_id = ? ORDER BY c.column_id"),
        {objectId});
    QList<ColumnDescription> columns;
    for (const QVariantList& row : rows)
        columns << columnFromCatalogue(row);
    return columns;
}

QList<KeyDescription> readKeys(db::Connection& connection, int objectId)
{
    const Rows rows = connection.select(
        QStringLiteral(
            "SELECT i.index_id, i.name, i.is_primary_key, i.type, k.is_system_named, c.name, "
            "ic.is_descending_key "
            "FROM sys.indexes i "
            "JOIN sys.index_columns ic "
            "  ON ic.object_id = i.object_id AND ic.index_id = i.index_id AND ic.key_ordinal > 0 "
            "JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id "
            "LEFT JOIN sys.key_constraints k "
            "  ON k.parent_object_id = i.object_id AND k.unique_index_id = i.index_id "
            "WHERE i.object_id = ? AND (i.is_primary_key = 1 OR i.is_unique_constraint = 1) "
            "ORDER BY i.is_primary_key DESC, i.index_id, ic.key_ordinal"),
        {objectId});
    QList<KeyDescription> keys;
    int currentIndex = -1;
    for (const QVariantList& row : rows) {
        if (row.value(0).toInt() != currentIndex) {
            currentIndex = row.value(0).toInt();
            KeyDescription k;
            if (!row.value(4).toBool()) k.name = row.value(1).toString();
            k.primaryKey = row.value(2).toBool();
            k.clustered = row.value(3).toInt() == 1;
            keys << k;
        }
        keys.last().columns << row.value(5).toString();
        keys.last().descending << row.value(6).toBool();
    }
    return keys;
}

TableDescription describeTable(db::Connection& connection, int objectId, const QString& schema,
                               const QString& name)
{
    TableDescription t;
    t.schema = schema;
    t.name = name;
    const Rows collation =
        connection.select(QStringLiteral("SELECT CONVERT(nvarchar(128), "
                                         "DATABASEPROPERTYEX(DB_NAME(), 'Collation'))"),
                          {});
    if (!collation.empty()) t.databaseCollation = collation.front().value(0).toString();
    t.columns = readColumns(connection, objectId);
    t.keys = readKeys(connection, objectId);
    for (ColumnDescription& c : t.columns)
        for (const KeyDescription& k : std::as_const(t.keys))
            if (k.primaryKey && k.columns.contains(c.name)) c.inPrimaryKey = true;
    return t;
}

Column toColumn(const ColumnDescription& d)
{
    Column c;
    c.Name = d.name;
    c.Datatype = d.type;
    c.Length = d.length;
    c.NumericPrecision = d.precision;
    c.NumericScale = d.scale;
    c.AllowNulls = d.nullable;
    c.Identity = d.identity;
    c.IdentitySeed = int(d.identitySeed);
    c.IdentityIncrement = int(d.identityIncrement);
    c.InPrimaryKey = d.inPrimaryKey;
    c.DRIDefaultText = d.defaultDefinition;
    return c;
}

class CatalogueTable : public Table
{
public:
    CatalogueTable(SharedConnection c, int id, QString schema, QString name)
        : m_connection(std::move(c)), m_id(id), m_schema(std::move(schema)), m_name(std::move(name))
    {
    }

    QString Script(int scriptType, const QString& outputFile, const QString& newName,
                   int script2Type) override
    {
        Q_UNUSED(scriptType);
        Q_UNUSED(outputFile);
        TableDescription t = describeTable(*m_connection, m_id, m_schema, m_name);
        if (!newName.isEmpty()) t.name = newName;
        return scriptTable(t, script2Type);
    }

    QList<Column> Columns() override
    {
        QList<Column> columns;
        for (const ColumnDescription& d :
             describeTable(*m_connection, m_id, m_schema, m_name).columns)
            columns << toColumn(d);
        return columns;
    }

private:
    SharedConnection m_connection;
    int m_id;
    QString m_schema;
    QString m_name;
};

class CatalogueView : public View
{
public:
    CatalogueView(SharedConnection c, int id) : m_connection(std::move(c)), m_id(id) {}

    QString Script(int scriptType, const QString& outputFile, int script2Type) override
    {
        Q_UNUSED(scriptType);
        Q_UNUSED(outputFile);
        const Rows definition =
            m_connection->select(QStringLiteral("SELECT OBJECT_DEFINITION(?)"), {m_id});
        return definition.empty() ? QString()
                                  : scriptView(definition.front().value(0).toString(), script2Type);
    }

private:
    SharedConnection m_connection;
    int m_id;
};

// Objects are found without an owner, as the server's collation compares
// names; dbo's object first when several schemas hold one of that name.
Rows findObject(db::Connection& connection, const QString& catalogue, const QString& name)
{
    return connection.select(QStringLiteral("SELECT o.object_id, s.name, o.name FROM sys.%1 o "
                                            "JOIN sys.schemas s ON s.schema_id = o.schema_id "
                                            "WHERE UPPER(o.name) = UPPER(?) "
                                            "ORDER BY CASE WHEN s.name = 'dbo' THEN 0 ELSE 1 END")
                                 .arg(catalogue),
                             {name});
}

class CatalogueDatabase : public Database
{
public:
    explicit CatalogueDatabase(SharedConnection c) : m_connection(std::move(c)) {}

    std::shared_ptr<Table> Tables(const QString& name) override
    {
        const Rows found = findObject(*m_connection, QStringLiteral("tables"), name);
        if (found.empty()) throw notFound(QStringLiteral("Table"), name);
        const QVariantList& table = found.front();
        return std::make_shared<CatalogueTable>(m_connection, table.value(0).toInt(),
                                                table.value(1).toString(),
                                                table.value(2).toString());
    }

    std::shared_ptr<View> Views(const QString& name) override
    {
        const Rows found = findObject(*m_connection, QStringLiteral("views"), name);
        if (found.empty()) throw notFound(QStringLiteral("View"), name);
        return std::make_shared<CatalogueView>(m_connection, found.front().value(0).toInt());
    }

private:
    SharedConnection m_connection;
};

class CatalogueServer : public SqlServer
{
public:
    CatalogueServer(Login login, SharedConnection master)
        : m_login(std::move(login)), m_master(std::move(master))
    {
    }

    void setLoginTimeout(int seconds) override { m_login.timeout = seconds; }
    void Connect(const QString&, const QString&, const QString&) override {}

    int VersionMajor() override
    {
        const Rows version = connected().select(QStringLiteral("SELECT CONVERT(nvarchar(128), "
                                                               "SERVERPROPERTY('ProductVersion'))"),
                                                {});
        if (version.empty())
            throw Error(errnum::ProviderFailure, QStringLiteral("[SQL-DMO]No version"));
        return version.front().value(0).toString().section(QLatin1Char('.'), 0, 0).toInt();
    }

    void DisConnect() override { m_master.reset(); }

    std::shared_ptr<Database> Databases(const QString& name) override
    {
        const Rows found = connected().select(QStringLiteral("SELECT name FROM sys.databases "
                                                             "WHERE UPPER(name) = UPPER(?)"),
                                              {name});
        if (found.empty()) throw notFound(QStringLiteral("Database"), name);
        return std::make_shared<CatalogueDatabase>(
            openConnection(m_login, found.front().value(0).toString()));
    }

private:
    db::Connection& connected()
    {
        if (!m_master)
            throw Error(errnum::ProviderFailure,
                        QStringLiteral("[SQL-DMO]The object is not connected to a server."));
        return *m_master;
    }

    Login m_login;
    SharedConnection m_master;
};

} // namespace

std::shared_ptr<SqlServer> connectSqlServer(const QString& server, const QString& login,
                                            const QString& password, int loginTimeoutSeconds)
{
    Login l{server, login, password, loginTimeoutSeconds};
    SharedConnection master = openConnection(l, QStringLiteral("master"));
    return std::make_shared<CatalogueServer>(std::move(l), std::move(master));
}

} // namespace corvane::schema
