#pragma once

#include "db/connection.h"
#include "db/recordset.h"
#include "support/testdb.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace corvane::test {

// An embedded database in its own temporary folder, created by a script and
// opened the way the program opens its connections.
struct EmbeddedDb
{
    QTemporaryDir dir;
    QString name = QStringLiteral("Corvane");
    std::unique_ptr<db::Connection> connection = std::make_unique<db::Connection>();

    explicit EmbeddedDb(const QString& script)
    {
        // One transaction: one disk sync instead of one per statement.
        runSqlScript(dir.path(), name, "BEGIN;" + script + ";COMMIT;");
        connection->Open(embeddedConnectionString(dir.path(), name));
    }
    db::Connection& conn() { return *connection; }
    QStringList rows(const QString& sql) const { return queryRows(dir.path(), name, sql); }
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
