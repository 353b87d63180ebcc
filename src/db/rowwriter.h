#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class QSqlDriver;

namespace corvane::db {

// Where the rows of an updatable recordset live: "SELECT <cols> FROM <table>
// [WHERE <condition>]", the table named as the source names it.
struct WriteTarget
{
    QString table;
    QString where; // empty: the whole table
};

// The target of a source query, or nothing when the query is not of that
// shape (joins, DISTINCT, TOP, GROUP BY, several tables).
std::optional<WriteTarget> writeTargetOf(const QString& source);

struct WriteStatement
{
    QString sql;
    QVariantList values; // bound to the ? placeholders in order
};

// One INSERT of the given columns (DEFAULT VALUES when there are none).
WriteStatement insertStatement(const QSqlDriver& driver, const WriteTarget& target,
                               const QStringList& columns, const QVariantList& values);

// One UPDATE of the given columns of the rows the source query selects. When
// `match` holds columns, the row must also carry those original values (the
// current row among several selected ones); a null matches IS NULL.
WriteStatement updateStatement(const QSqlDriver& driver, const WriteTarget& target,
                               const QStringList& columns, const QVariantList& values,
                               const QStringList& matchColumns, const QVariantList& matchValues);

} // namespace corvane::db
