#include "sqlserverworld.h"

#include "sqlservertesthelpers.h"

namespace corvane::test {

bool SqlServerWorld::start(bool referenceOn1433)
{
    reference.setLogins({{QStringLiteral("sa"), QStringLiteral("Harbor42")}});
    local.setLogins({{QStringLiteral("sa"), kLocalPassword}});
    if (!(referenceOn1433 ? reference.startOnDefaultPort() : reference.start()) || !local.start())
        return false;
    g.ReferenceServer = reference.dataSource();
    g.ReferenceUser = QStringLiteral("sa");
    g.ReferencePassword = QStringLiteral("Harbor42");
    g.ReferenceDatabase = kReferenceDatabase;
    g.ReferenceConnectionString =
        QStringLiteral("Provider=SQLOLEDB;Data Source=%1;UID=sa;PWD=Harbor42;DATABASE=Corvane")
            .arg(g.ReferenceServer);
    g.LocalServer = local.dataSource();
    g.LocalUser = QStringLiteral("sa");
    g.LocalPassword = kLocalPassword;
    g.LocalDatabase = kLocalDatabase;
    g.LocalConnectionString =
        QStringLiteral("Provider=SQLOLEDB;Data Source=%1;User ID=sa;PWD=%2;DATABASE=%3")
            .arg(g.LocalServer, kLocalPassword, kLocalDatabase);
    return true;
}

void SqlServerWorld::connect()
{
    g.LocalConnection = std::make_unique<db::Connection>();
    g.LocalConnection->Open(g.LocalConnectionString);
    g.ReferenceConnection = std::make_unique<db::Connection>();
    g.ReferenceConnection->Open(g.ReferenceConnectionString);
    form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));
}

QString SqlServerWorld::transcripts() const
{
    return withoutToday(QStringLiteral("== reference\n") + reference.transcript() +
                        QStringLiteral("== local\n") + local.transcript());
}

QStringList SqlServerWorld::unexpected() const
{
    return reference.unexpected() + local.unexpected();
}

} // namespace corvane::test
