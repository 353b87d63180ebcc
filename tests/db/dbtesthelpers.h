#pragma once

#include "db/connection.h"
#include "db/recordset.h"
#include "support/testdb.h"
#include "support/world.h"

#include <QStringList>
#include <QVariant>
#include <memory>

namespace corvane::test {

// An embedded database in its own temporary folder, created by a script and
// opened the way the program opens its connections.
struct EmbeddedDb : TestFolder
{
    std::unique_ptr<db::Connection> connection;

    explicit EmbeddedDb(const QString& script)
    {
        // One transaction: one disk sync instead of one per statement.
        run("BEGIN;" + script + ";COMMIT;");
        connection = open(kReferenceDatabase);
    }
    db::Connection& conn() { return *connection; }
    void run(const QString& sql) const { TestFolder::run(kReferenceDatabase, sql); }
    QStringList rows(const QString& sql) const { return TestFolder::rows(kReferenceDatabase, sql); }
    QString connectionString() const { return TestFolder::connectionString(kReferenceDatabase); }
};

// Every row of a query through a static read-only recordset, the values of a
// row joined by "|", NULL as "<null>".
inline QStringList recordsetRows(db::Connection& connection, const QString& sql,
                                 int cursorType = db::adOpenStatic)
{
    db::Recordset rs;
    rs.Open(sql, connection, cursorType, db::adLockReadOnly);
    QStringList rows;
    const QStringList names = rs.fieldNames();
    while (!rs.Eof()) {
        QStringList values;
        for (const QString& name : names) {
            const QVariant value = rs.field(name);
            values << (value.isNull() ? QStringLiteral("<null>") : value.toString());
        }
        rows << values.join(QLatin1Char('|'));
        rs.MoveNext();
    }
    rs.Close();
    return rows;
}

} // namespace corvane::test
