#include "embeddedwriter.h"

#include "addcolumnstatement.h"
#include "base/strings.h"
#include "embeddedsql.h"

#include <QRegularExpression>

namespace corvane::schema {

namespace {

bool isOneOf(const QString& type, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (type == QLatin1String(n)) return true;
    return false;
}

// A type name the engine reads as it stands; anything else goes in quotes.
QString typeName(const QString& type)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(type).hasMatch() ? type : quoteEmbeddedName(type);
}

} // namespace

QString embeddedType(const Column& column)
{
    const QString type = trimSpaces(column.Datatype).toLower();
    const bool max = column.Length == -1;
    if ((isOneOf(type, {"varchar", "nvarchar"}) && max) ||
        isOneOf(type, {"xml", "uniqueidentifier", "datetime2", "datetimeoffset", "time"}))
        return QStringLiteral("text");
    if ((type == u"varbinary" && max) ||
        isOneOf(type, {"image", "timestamp", "rowversion", "sql_variant", "hierarchyid", "geometry",
                       "geography"}))
        return QStringLiteral("blob");
    if (isOneOf(type, {"char", "nchar", "varchar", "nvarchar", "binary", "varbinary"}))
        return QStringLiteral("%1(%2)").arg(type).arg(column.Length);
    if (isOneOf(type, {"decimal", "numeric"}))
        return QStringLiteral("%1(%2, %3)")
            .arg(type)
            .arg(column.NumericPrecision)
            .arg(column.NumericScale);
    // The engine keeps "IDENTITY (seed, increment)" as part of the declared
    // type, where the program reads it back.
    if (column.Identity)
        return QStringLiteral("%1 IDENTITY (%2, %3)")
            .arg(typeName(type))
            .arg(column.IdentitySeed)
            .arg(column.IdentityIncrement);
    return typeName(type);
}

QString embeddedColumnDefinition(const Column& column)
{
    QString definition = quoteEmbeddedName(trimSpaces(column.Name)) + QLatin1Char(' ');
    definition += embeddedType(column) + QLatin1Char(' ');
    const QString type = trimSpaces(column.Datatype).toUpper();
    if (type == u"CHAR" || type == u"NCHAR")
        definition += QStringLiteral("COLLATE ") + kAddColumnCollation + QLatin1Char(' ');
    if (!column.AllowNulls) definition += QStringLiteral("NOT NULL ");
    const QString defaultText = trimSpaces(column.DRIDefaultText);
    if (!defaultText.isEmpty())
        definition += QStringLiteral("DEFAULT ") + embeddedDefault(defaultText) + QLatin1Char(' ');
    return definition;
}

QString embeddedAddColumnStatement(const QString& localTable, const Column& column)
{
    return QStringLiteral("ALTER TABLE ") + quoteEmbeddedName(localTable) +
           QStringLiteral(" ADD ") + embeddedColumnDefinition(column);
}

} // namespace corvane::schema
