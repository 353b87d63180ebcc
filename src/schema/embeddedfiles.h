#pragma once

#include "embeddedcolumns.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

namespace corvane::db {
class Connection;
}

namespace corvane::schema {

// The program's open connections, asked each time a file is read.
using OpenConnections = std::function<QList<const db::Connection*>()>;

// A table or view of an embedded database as sqlite_schema stores it.
struct EmbeddedObject
{
    QString name;
    QByteArray sql;       // as stored, UTF-8: half the memory at 10,000 tables
    QStringList indexSql; // a table's own CREATE INDEX statements, in their order
};

// What the component reads of the embedded database files, shared by every
// server object of one application. A file is read through the program's own
// open connection to it when there is one: that handle has the schema parsed
// already and sees what the program has just created, inside a transaction
// too. Otherwise the component opens a handle of its own, without
// INFORMATION_SCHEMA, and keeps it until release(). The names of each file
// are read once per schema version, so a lookup by name costs no scan.
class EmbeddedFiles
{
public:
    explicit EmbeddedFiles(OpenConnections connections);
    ~EmbeddedFiles();
    EmbeddedFiles(const EmbeddedFiles&) = delete;
    EmbeddedFiles& operator=(const EmbeddedFiles&) = delete;

    // The stored table or view matching a name as the server's collation
    // matches it; throws when there is none.
    EmbeddedObject table(const QString& file, const QString& name);
    EmbeddedObject view(const QString& file, const QString& name);
    QList<TableInfoRow> tableInfo(const QString& file, const QString& table);

    // Closes the handles of its own and forgets what it read: the end of a run.
    void release();

private:
    struct Catalogue;
    struct OwnHandle;
    sqlite3* handleFor(const QString& file);
    Catalogue& catalogueOf(const QString& file);
    EmbeddedObject find(const QString& file, bool view, const QString& name);

    OpenConnections m_connections;
    QHash<QString, std::shared_ptr<OwnHandle>> m_own;
    QHash<QString, std::shared_ptr<Catalogue>> m_catalogues;
};

} // namespace corvane::schema
