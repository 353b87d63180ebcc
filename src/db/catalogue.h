#pragma once

#include "columntype.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;

namespace corvane::db {

struct CatalogueColumn
{
    QByteArray name;
    int ordinal = 0;
    QVariant defaultValue;
    bool nullable = true;
    ColumnType type;
};

struct CatalogueObject
{
    QByteArray name;
    bool isView = false;
    QByteArray definition;
};

// The tables and views of one connection's main schema, as seen at one schema version.
struct CatalogueSnapshot
{
    int schemaVersion = -1;
    std::vector<CatalogueObject> objects;
    QHash<QString, QList<int>> byName; // folded name -> indices into objects
};

// What INFORMATION_SCHEMA reads on one connection. It answers from a snapshot
// taken at the current schema version and takes a new one after any DDL, so a
// table created a moment ago is listed while unchanged schemas cost no re-read.
class Catalogue
{
public:
    explicit Catalogue(sqlite3* db);

    // The snapshot for the schema as it stands now; null with an SQLite error
    // code in rc when the engine could not be read.
    std::shared_ptr<CatalogueSnapshot> current(int& rc);
    // Appends the columns of one object, read from the engine now: a snapshot
    // keeps none, so that memory stays that of one query even at 10,000
    // tables. A view that no longer compiles has none.
    void readColumns(const QByteArray& object, std::vector<CatalogueColumn>& columns);
    // Indices of the objects whose name equals the given one under the name collation.
    static QList<int> lookup(const CatalogueSnapshot& snapshot, const char* utf8, int length);

    const QByteArray& catalogName() const { return m_catalogName; }

private:
    int readSchemaVersion(int& version) const;
    int readObjects(CatalogueSnapshot& snapshot) const;

    sqlite3* m_db;
    QByteArray m_catalogName;
    std::shared_ptr<CatalogueSnapshot> m_snapshot;
};

} // namespace corvane::db
