#include "addcolumnstatement.h"

#include "base/strings.h"
#include "tsqlwriter.h"

namespace corvane::schema {

namespace {

QString sizeClause(const Column& c)
{
    const QString type = trimSpaces(c.Datatype).toUpper();
    if (type == u"CHAR" || type == u"NCHAR")
        return QStringLiteral("(%1) COLLATE %2 ").arg(c.Length).arg(kAddColumnCollation);
    if (type == u"VARCHAR" || type == u"NVARCHAR" || type == u"BINARY" || type == u"VARBINARY")
        return QStringLiteral("(%1) ").arg(c.Length == -1 ? QStringLiteral("max")
                                                          : QString::number(c.Length));
    if (type == u"DECIMAL" || type == u"NUMERIC")
        return QStringLiteral("(%1, %2) ").arg(c.NumericPrecision).arg(c.NumericScale);
    return {};
}

} // namespace

QString addColumnStatement(const QString& tableName, const Column& column)
{
    QString statement =
        QStringLiteral("ALTER TABLE ") + quoteName(tableName) + QStringLiteral(" ADD ");
    statement += quoteName(trimSpaces(column.Name)) + QLatin1Char(' ');
    statement += quoteName(trimSpaces(column.Datatype)) + QLatin1Char(' ');
    statement += sizeClause(column);
    if (column.Identity)
        statement += QStringLiteral("IDENTITY (%1, %2) ")
                         .arg(column.IdentitySeed)
                         .arg(column.IdentityIncrement);
    if (!column.AllowNulls) statement += QStringLiteral("NOT NULL ");
    const QString defaultText = trimSpaces(column.DRIDefaultText);
    if (!defaultText.isEmpty())
        statement += QStringLiteral("DEFAULT ") + defaultText + QLatin1Char(' ');
    return statement;
}

} // namespace corvane::schema
