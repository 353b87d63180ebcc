#pragma once

#include "sqldmo.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace corvane::schema {

// A column as the SQL Server catalogue describes it.
struct ColumnDescription
{
    QString name;
    QString type;   // base type name, lower case: int, nvarchar, decimal, ...
    int length = 0; // characters for character types, bytes for binary; -1 for (max)
    int precision = 0;
    int scale = 0;
    bool nullable = true;
    bool identity = false;
    qint64 identitySeed = 0;
    qint64 identityIncrement = 0;
    QString collation;          // "" for types without one
    QString computedDefinition; // "" unless a computed column
    QString defaultName;        // "" when the default has no name of its own
    QString defaultDefinition;  // "" when the column has no default
    bool inPrimaryKey = false;
};

// A PRIMARY KEY or UNIQUE constraint.
struct KeyDescription
{
    QString name; // "" when the server generated it
    bool primaryKey = false;
    bool clustered = false;
    QStringList columns;
    QList<bool> descending; // one per column
};

struct TableDescription
{
    QString schema = QStringLiteral("dbo");
    QString name;
    QString databaseCollation;
    QList<ColumnDescription> columns;
    QList<KeyDescription> keys;
};

// [name] with any ] inside doubled, as T-SQL quotes identifiers.
QString quoteName(const QString& name);

// The type as a column definition writes it: "[varchar] (50)", "[decimal] (18, 4)".
// With 70Only the type is first mapped to one SQL Server 7.0 knows.
QString typeClause(const ColumnDescription& column, bool only70);

// The creation script of a table: one CREATE TABLE batch holding every column,
// its DEFAULT constraints and its PRIMARY KEY and UNIQUE constraints.
// script2Type is SQLDMOScript2_Default or SQLDMOScript2_70Only.
QString scriptTable(const TableDescription& table, int script2Type);

// The creation script of a view from its stored definition; "" when there is
// no definition (an encrypted view).
QString scriptView(const QString& definition, int script2Type);

} // namespace corvane::schema
