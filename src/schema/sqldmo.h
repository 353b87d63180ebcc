#pragma once

#include <QList>
#include <QString>
#include <memory>

namespace corvane {
struct GlobalState;
}

namespace corvane::schema {

// Script types of the SQL-DMO Script calls the program makes.
inline constexpr int SQLDMOScript_Default = 4;
inline constexpr int SQLDMOScript2_Default = 0;
inline constexpr int SQLDMOScript2_70Only = 16777216;

// The CR LF "GO" CR LF that follows every batch of a script the component
// writes (the update run splits scripts at the same six characters).
inline const QString BatchSeparator = QStringLiteral("\r\nGO\r\n");

// The operation level our own component implements, reported as the
// SQL-DMO Application version.
inline constexpr int kComponentVersionMajor = 8;
inline constexpr int kComponentVersionMinor = 5;

// Login timeout of a server object whose caller sets none, as ADO's default.
inline constexpr int kDefaultLoginTimeoutSeconds = 15;

// The major version the embedded engine reports: it runs everything the
// SQL Server 2005 scripts of this program use, so scripts for it are never
// cut down to what SQL Server 7.0 knows.
inline constexpr int kEmbeddedVersionMajor = 9;

// A column of a table, as SQL-DMO's Column object describes it.
struct Column
{
    QString Name;
    QString Datatype; // base type name: char, nvarchar, int, decimal, ...
    int Length = 0;   // declared length; -1 for (max)
    int NumericPrecision = 0;
    int NumericScale = 0;
    bool AllowNulls = true;
    bool Identity = false;
    int IdentitySeed = 0;
    int IdentityIncrement = 0;
    bool InPrimaryKey = false;
    QString DRIDefaultText; // the default expression, "" when none
};

class Table
{
public:
    virtual ~Table() = default;
    virtual QString Script(int scriptType, const QString& outputFile, const QString& newName,
                           int script2Type) = 0;
    virtual QList<Column> Columns() = 0;
    // The table's name as its database stores it (letter case, blanks);
    // "" when the component does not say.
    virtual QString Name() const { return {}; }
};

class View
{
public:
    virtual ~View() = default;
    virtual QString Script(int scriptType, const QString& outputFile, int script2Type) = 0;
};

class Database
{
public:
    virtual ~Database() = default;
    // Items by name (owner not given); throw corvane::Error when absent.
    virtual std::shared_ptr<Table> Tables(const QString& name) = 0;
    virtual std::shared_ptr<View> Views(const QString& name) = 0;
};

// "SQLDMO.SqlServer".
class SqlServer
{
public:
    virtual ~SqlServer() = default;
    virtual void setLoginTimeout(int seconds) = 0;
    // Throws when the server cannot be reached or the login is refused.
    virtual void Connect(const QString& server, const QString& login, const QString& password) = 0;
    virtual int VersionMajor() = 0;
    virtual void DisConnect() = 0;
    // Throws when absent.
    virtual std::shared_ptr<Database> Databases(const QString& name) = 0;
};

// The SQL-DMO Application object.
class Application
{
public:
    virtual ~Application() = default;
    virtual int VersionMajor() const = 0;
    virtual int VersionMinor() const = 0;
    // CreateObject("SQLDMO.SqlServer"); throws when the component is missing.
    virtual std::shared_ptr<SqlServer> createServer() = 0;
    // The end of a schema update run: what the servers kept open for the run
    // (database files of the embedded engine) is let go.
    virtual void releaseFiles() {}
};

// The program-wide Application object, created on first use through
// GlobalState::createSqlDmoApplication (our own component when that is empty).
// Throws when it cannot be created.
Application& application(GlobalState& g);

// Our own component, reading every embedded database through handles of its own.
std::shared_ptr<Application> createDefaultApplication();
// Our own component. On the embedded engine it reads a database through the
// program's open connection to that file, when g holds one.
std::shared_ptr<Application> createDefaultApplication(GlobalState& g);

} // namespace corvane::schema
