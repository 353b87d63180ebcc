#pragma once

#include "db/recordset.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <utility>
#include <vector>

namespace corvane {
struct Context;
}

namespace corvane::seed {

// Sets the fields of a new or found local row from the current reference row.
using RowWriter = std::function<void(db::Recordset& row, const db::Recordset& reference)>;
using FixedFields = std::vector<std::pair<QString, QVariant>>;

// Copies the named fields, in this order, as they are (same value, same type).
RowWriter copied(const QStringList& fieldNames);

// A numeric key as the decimal text of the number read from it, to be pasted
// after "= "; "" when the key is NULL or not a number.
QString numberKey(const QVariant& key);

// A section that walks the reference rows and looks each key up locally.
struct ByKey
{
    QString probeQuery; // empty: no emptiness probe, always merge
    QString referenceQuery;
    QString keyField;     // read from the reference row
    QString lookupPrefix; // followed by the key: a number, or a text between quotes
    bool textKey = false;
    RowWriter insert;
    RowWriter update; // empty: a found row is left untouched
};

// The four patterns of the default rows. Writes go through LocalConnection in
// WorkRecordset; the reference is only read. Every failure throws corvane::Error.
class Seeder
{
public:
    explicit Seeder(Context& ctx) : m_ctx(ctx) {}

    // One constant row, added when the query finds none.
    void fixedRow(const QString& query, const FixedFields& fields);
    // Every reference row, added when the local table is empty.
    void copyIntoEmpty(const QString& localQuery, const QString& referenceQuery,
                       const RowWriter& write);
    // Reference rows merged by key (update set) or added into an empty table by key.
    void byKey(const ByKey& section);

    // The query most recently opened, for the run log.
    const QString& lastQuery() const { return m_lastQuery; }

private:
    // The lookup of the current reference row's key; "" when the key is not a number.
    static QString lookupOf(const ByKey& section, const db::Recordset& reference);
    db::Recordset& openLocal(const QString& query, int lockType);
    void openReference(db::Recordset& rs, const QString& query);
    bool localTableHasRows(const QString& probeQuery);
    void store(db::Recordset& row, const QString& what, bool inserted);

    Context& m_ctx;
    QString m_lastQuery;
};

} // namespace corvane::seed
