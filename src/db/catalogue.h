#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::db {

struct CatalogueObject
{
    QByteArray name;
    bool isView = false;
    QByteArray definition; // a view's; empty for a table
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
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // The snapshot for the schema as it stands now; null with an SQLite error
    // code in rc when the engine could not be read.
    std::shared_ptr<CatalogueSnapshot> current(int& rc);
    // A statement giving the columns of the object bound to ?1 (name, type,
    // notnull, dflt_value, pk), read from the engine as a query steps it: a
    // snapshot keeps none, so that memory stays that of one row even at
    // 10,000 tables. Null when the engine refuses it. Hand it back when done.
    sqlite3_stmt* takeColumnsStatement();
    void giveBack(sqlite3_stmt* columns);
    // Finalizes the statements it keeps between queries: the engine closes a
    // connection only without them.
    void releaseStatements();
    // Indices of the objects whose name equals the given one under the name collation.
    static QList<int> lookup(const CatalogueSnapshot& snapshot, const char* utf8, int length);

    const QByteArray& catalogName() const { return m_catalogName; }

private:
    int readSchemaVersion(int& version) const;
    int readObjects(CatalogueSnapshot& snapshot) const;

    sqlite3* m_db;
    // Kept prepared between queries, each used by one query at a time.
    mutable sqlite3_stmt* m_versionStatement = nullptr;
    sqlite3_stmt* m_columnsStatement = nullptr;
    QByteArray m_catalogName;
    std::shared_ptr<CatalogueSnapshot> m_snapshot;
};

} // namespace corvane::db
