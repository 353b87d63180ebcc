#pragma once

#include "db/connection.h"
#include "db/recordset.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace corvane {

namespace schema {
class Application;
class SqlServer;
class Database;
} // namespace schema

// The module-level state of the start-up sequence, shared by every operation.
struct GlobalState
{
    bool AutomaticMode = false;
    // A preview run: the schema update lists each statement instead of
    // executing it, and changes nothing.
    bool PreviewMode = false;

    // The maker's Ed25519 public key (32 bytes) that the program was built
    // with; empty when the build carries none. With a key, the download run
    // takes only files that a manifest signed with it lists.
    QByteArray PublisherKey;

    QString ReferenceServer;
    QString ReferenceUser;
    QString ReferencePassword;
    QString ReferenceDatabase;
    QString ReferenceConnectionString;

    QString LocalServer;
    QString LocalUser;
    QString LocalPassword;
    QString LocalDatabase;
    QString LocalConnectionString;

    std::unique_ptr<db::Connection> LocalConnection;
    std::unique_ptr<db::Connection> ReferenceConnection;
    std::unique_ptr<db::Recordset> WorkRecordset;

    // SQL-DMO objects of the module: replaced by each scripting or column
    // call, never disconnected explicitly.
    std::shared_ptr<schema::SqlServer> SqlDmoServer;
    std::shared_ptr<schema::Database> SqlDmoDatabase;
    std::shared_ptr<schema::SqlServer> LocalSqlDmoServer;
    std::shared_ptr<schema::Database> LocalSqlDmoDatabase;

    // The one SQL-DMO Application object, created on first use.
    std::shared_ptr<schema::Application> SqlDmoApplication;
    // How that object is created. Empty: our own component. Tests put a
    // creator here that fails or reports an old version.
    std::function<std::shared_ptr<schema::Application>()> createSqlDmoApplication;

    // The connection to use, as the program's code names them.
    db::Connection& local() { return *LocalConnection; }
    db::Connection& reference() { return *ReferenceConnection; }
    // A fresh WorkRecordset, as every query of the program makes one.
    db::Recordset& newWorkRecordset();
};

} // namespace corvane
