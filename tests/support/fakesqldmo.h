#pragma once

// A stand-in for the schema component, for tests that must see what the
// program asks of it (login timeouts, script types) or make it fail in ways a
// real engine cannot (an old version, a component that cannot be created).
// Header-only: link corvane_schema.

#include "base/error.h"
#include "schema/sqldmo.h"
#include "state/globals.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <memory>

namespace corvane::test {

// What the fake serves: every server it connects to holds the same databases.
struct FakeSqlDmoCatalog
{
    struct TableEntry
    {
        QList<schema::Column> columns;
        QString script;
    };
    QStringList databases;            // names, matched ignoring letter case
    QMap<QString, TableEntry> tables; // by exact name
    QMap<QString, QString> views;     // name -> script
    int serverVersionMajor = 9;
    bool refuseConnect = false; // every Connect throws (login refused)
};

// A table the fake serves by its script alone.
inline FakeSqlDmoCatalog::TableEntry scriptedTable(const QString& script)
{
    FakeSqlDmoCatalog::TableEntry e;
    e.script = script;
    return e;
}

// What the program asked of it, in order.
struct FakeSqlDmoCalls
{
    int serversCreated = 0;
    QList<int> loginTimeouts;    // one per Connect; -1 when none was set
    QList<QStringList> connects; // {server, login, password}
    QStringList databaseNames;
    QStringList tableNames;
    QStringList viewNames;
    QList<int> script2Types;
    int disconnects = 0;
};

class FakeSqlDmoApplication : public schema::Application
{
public:
    int major = schema::kComponentVersionMajor;
    int minor = schema::kComponentVersionMinor;
    bool createServerFails = false;
    std::shared_ptr<FakeSqlDmoCatalog> catalog = std::make_shared<FakeSqlDmoCatalog>();
    std::shared_ptr<FakeSqlDmoCalls> calls = std::make_shared<FakeSqlDmoCalls>();

    int VersionMajor() const override { return major; }
    int VersionMinor() const override { return minor; }
    std::shared_ptr<schema::SqlServer> createServer() override
    {
        if (createServerFails)
            throw Error(429, QStringLiteral("ActiveX component can't create object"));
        ++calls->serversCreated;
        return std::make_shared<Server>(catalog, calls);
    }

private:
    class Table : public schema::Table
    {
    public:
        Table(FakeSqlDmoCatalog::TableEntry e, std::shared_ptr<FakeSqlDmoCalls> c)
            : m_entry(std::move(e)), m_calls(std::move(c))
        {
        }
        QString Script(int, const QString&, const QString&, int script2Type) override
        {
            m_calls->script2Types << script2Type;
            return m_entry.script;
        }
        QList<schema::Column> Columns() override { return m_entry.columns; }

    private:
        FakeSqlDmoCatalog::TableEntry m_entry;
        std::shared_ptr<FakeSqlDmoCalls> m_calls;
    };

    class View : public schema::View
    {
    public:
        View(QString s, std::shared_ptr<FakeSqlDmoCalls> c)
            : m_script(std::move(s)), m_calls(std::move(c))
        {
        }
        QString Script(int, const QString&, int script2Type) override
        {
            m_calls->script2Types << script2Type;
            return m_script;
        }

    private:
        QString m_script;
        std::shared_ptr<FakeSqlDmoCalls> m_calls;
    };

    class Database : public schema::Database
    {
    public:
        Database(std::shared_ptr<FakeSqlDmoCatalog> cat, std::shared_ptr<FakeSqlDmoCalls> c)
            : m_catalog(std::move(cat)), m_calls(std::move(c))
        {
        }
        std::shared_ptr<schema::Table> Tables(const QString& name) override
        {
            m_calls->tableNames << name;
            if (!m_catalog->tables.contains(name))
                throw Error(-1, QStringLiteral("no table ") + name);
            return std::make_shared<Table>(m_catalog->tables.value(name), m_calls);
        }
        std::shared_ptr<schema::View> Views(const QString& name) override
        {
            m_calls->viewNames << name;
            if (!m_catalog->views.contains(name))
                throw Error(-1, QStringLiteral("no view ") + name);
            return std::make_shared<View>(m_catalog->views.value(name), m_calls);
        }

    private:
        std::shared_ptr<FakeSqlDmoCatalog> m_catalog;
        std::shared_ptr<FakeSqlDmoCalls> m_calls;
    };

    class Server : public schema::SqlServer
    {
    public:
        Server(std::shared_ptr<FakeSqlDmoCatalog> cat, std::shared_ptr<FakeSqlDmoCalls> c)
            : m_catalog(std::move(cat)), m_calls(std::move(c))
        {
        }
        void setLoginTimeout(int seconds) override { m_timeout = seconds; }
        void Connect(const QString& server, const QString& login, const QString& password) override
        {
            m_calls->loginTimeouts << m_timeout;
            m_calls->connects << QStringList{server, login, password};
            if (m_catalog->refuseConnect) throw Error(18456, QStringLiteral("Login failed"));
            m_connected = true;
        }
        int VersionMajor() override
        {
            requireConnection();
            return m_catalog->serverVersionMajor;
        }
        void DisConnect() override
        {
            ++m_calls->disconnects;
            m_connected = false;
        }
        std::shared_ptr<schema::Database> Databases(const QString& name) override
        {
            requireConnection();
            m_calls->databaseNames << name;
            if (!m_catalog->databases.contains(name, Qt::CaseInsensitive))
                throw Error(-1, QStringLiteral("no database ") + name);
            return std::make_shared<Database>(m_catalog, m_calls);
        }

    private:
        void requireConnection() const
        {
            if (!m_connected) throw Error(-1, QStringLiteral("not connected"));
        }
        std::shared_ptr<FakeSqlDmoCatalog> m_catalog;
        std::shared_ptr<FakeSqlDmoCalls> m_calls;
        int m_timeout = -1;
        bool m_connected = false;
    };
};

// Puts the stand-in where the program creates its component.
inline std::shared_ptr<FakeSqlDmoApplication> useFakeSqlDmo(GlobalState& g)
{
    auto fake = std::make_shared<FakeSqlDmoApplication>();
    g.createSqlDmoApplication = [fake] { return fake; };
    return fake;
}

} // namespace corvane::test
