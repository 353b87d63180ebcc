#include "sqldmo.h"

#include "base/error.h"
#include "db/connection.h"
#include "embeddedfiles.h"
#include "sqldmo_sqlite.h"
#include "sqldmo_sqlserver.h"
#include "state/globals.h"

namespace corvane::schema {

namespace {

// The server object before and after Connect: the engine is chosen by the
// server name, as the database connections choose it.
class ComponentServer : public SqlServer
{
public:
    explicit ComponentServer(std::shared_ptr<EmbeddedFiles> files) : m_files(std::move(files)) {}

    void setLoginTimeout(int seconds) override { m_loginTimeout = seconds; }

    void Connect(const QString& server, const QString& login, const QString& password) override
    {
        m_connected.reset();
        m_connected = db::isEmbeddedDataSource(server)
                          ? connectEmbeddedServer(server, m_files)
                          : connectSqlServer(server, login, password, m_loginTimeout);
    }

    int VersionMajor() override { return connected().VersionMajor(); }

    void DisConnect() override
    {
        if (m_connected) m_connected->DisConnect();
        m_connected.reset();
    }

    std::shared_ptr<Database> Databases(const QString& name) override
    {
        return connected().Databases(name);
    }

private:
    SqlServer& connected()
    {
        if (!m_connected)
            throw Error(errnum::ProviderFailure,
                        QStringLiteral("[SQL-DMO]The object is not connected to a server."));
        return *m_connected;
    }

    std::shared_ptr<EmbeddedFiles> m_files;
    int m_loginTimeout = kDefaultLoginTimeoutSeconds;
    std::shared_ptr<SqlServer> m_connected;
};

class ComponentApplication : public Application
{
public:
    explicit ComponentApplication(OpenConnections connections)
        : m_files(std::make_shared<EmbeddedFiles>(std::move(connections)))
    {
    }
    int VersionMajor() const override { return kComponentVersionMajor; }
    int VersionMinor() const override { return kComponentVersionMinor; }
    std::shared_ptr<SqlServer> createServer() override
    {
        return std::make_shared<ComponentServer>(m_files);
    }
    void releaseFiles() override { m_files->release(); }

private:
    std::shared_ptr<EmbeddedFiles> m_files;
};

} // namespace

Application& application(GlobalState& g)
{
    if (!g.SqlDmoApplication) {
        g.SqlDmoApplication =
            g.createSqlDmoApplication ? g.createSqlDmoApplication() : createDefaultApplication(g);
        if (!g.SqlDmoApplication)
            throw Error(429, QStringLiteral("ActiveX component can't create object"));
    }
    return *g.SqlDmoApplication;
}

std::shared_ptr<Application> createDefaultApplication()
{
    return std::make_shared<ComponentApplication>(OpenConnections());
}

std::shared_ptr<Application> createDefaultApplication(GlobalState& g)
{
    // Asked at each read: the comparison may have replaced ReferenceConnection since.
    return std::make_shared<ComponentApplication>([&g] {
        return QList<const db::Connection*>{g.LocalConnection.get(), g.ReferenceConnection.get()};
    });
}

} // namespace corvane::schema
