#include "tsqlwriter.h"

#include "sqldmo.h"

namespace corvane::schema {

namespace {

const QString kNewLine = QStringLiteral("\r\n");

bool isOneOf(const QString& type, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (type.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// What a script for SQL Server 7.0 writes instead of a type that server cannot
// parse. The large-value types become the old large-object types holding the
// same data; the 2008 date and time types become datetime; bigint (a 2000
// type) becomes the decimal that holds its range; sql_variant keeps its values
// as text; the CLR types keep their binary form. Everything else is unchanged.
ColumnDescription mapTo70(ColumnDescription c)
{
    const QString t = c.type.toLower();
    const bool max = c.length == -1;
    if ((t == u"varchar" && max) || t == u"xml") {
        c.type = t == u"xml" ? QStringLiteral("ntext") : QStringLiteral("text");
    } else if (t == u"nvarchar" && max) {
        c.type = QStringLiteral("ntext");
    } else if ((t == u"varbinary" && max) || isOneOf(t, {"hierarchyid", "geometry", "geography"})) {
        c.type = QStringLiteral("image");
    } else if (isOneOf(t, {"date", "time", "datetime2", "datetimeoffset"})) {
        c.type = QStringLiteral("datetime");
    } else if (t == u"bigint") {
        c.type = QStringLiteral("decimal");
        c.precision = 19;
        c.scale = 0;
    } else if (t == u"sql_variant") {
        c.type = QStringLiteral("nvarchar");
        c.length = 4000;
    }
    return c;
}

QString lengthText(int length)
{
    return length == -1 ? QStringLiteral("max") : QString::number(length);
}

QString columnLine(const ColumnDescription& c, const QString& databaseCollation, bool only70)
{
    QString line = QLatin1Char('\t') + quoteName(c.name) + QLatin1Char(' ');
    if (!c.computedDefinition.isEmpty()) return line + QStringLiteral("AS ") + c.computedDefinition;

    line += typeClause(c, only70);
    // COLLATE came with SQL Server 2000; a 7.0 script leaves it to the database.
    if (!only70 && !c.collation.isEmpty() &&
        c.collation.compare(databaseCollation, Qt::CaseInsensitive) != 0)
        line += QStringLiteral(" COLLATE ") + c.collation;
    if (c.identity)
        line += QStringLiteral(" IDENTITY (%1, %2)").arg(c.identitySeed).arg(c.identityIncrement);
    line += c.nullable ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL");
    if (!c.defaultDefinition.isEmpty()) {
        if (!c.defaultName.isEmpty())
            line += QStringLiteral(" CONSTRAINT ") + quoteName(c.defaultName);
        line += QStringLiteral(" DEFAULT ") + c.defaultDefinition;
    }
    return line;
}

QString keyLine(const KeyDescription& k, bool only70)
{
    QString line = QStringLiteral("\t");
    if (!k.name.isEmpty())
        line += QStringLiteral("CONSTRAINT ") + quoteName(k.name) + QLatin1Char(' ');
    line += k.primaryKey ? QStringLiteral("PRIMARY KEY ") : QStringLiteral("UNIQUE ");
    line += k.clustered ? QStringLiteral("CLUSTERED (") : QStringLiteral("NONCLUSTERED (");
    QStringList columns;
    for (qsizetype i = 0; i < k.columns.size(); ++i) {
        // Descending key columns came with SQL Server 2000.
        const bool descending = !only70 && i < k.descending.size() && k.descending.at(i);
        columns << quoteName(k.columns.at(i)) + (descending ? QStringLiteral(" DESC") : QString());
    }
    return line + columns.join(QStringLiteral(", ")) + QLatin1Char(')');
}

} // namespace

QString quoteName(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + inner + QLatin1Char(']');
}

QString typeClause(const ColumnDescription& column, bool only70)
{
    const ColumnDescription c = only70 ? mapTo70(column) : column;
    const QString type = c.type.toLower();
    QString text = quoteName(type);
    if (isOneOf(type, {"char", "varchar", "nchar", "nvarchar", "binary", "varbinary"}))
        text += QStringLiteral(" (%1)").arg(lengthText(c.length));
    else if (isOneOf(type, {"decimal", "numeric"}))
        text += QStringLiteral(" (%1, %2)").arg(c.precision).arg(c.scale);
    else if (isOneOf(type, {"datetime2", "time", "datetimeoffset"}))
        text += QStringLiteral(" (%1)").arg(c.scale);
    return text;
}

QString scriptTable(const TableDescription& table, int script2Type)
{
    const bool only70 = (script2Type & SQLDMOScript2_70Only) != 0;
    QStringList lines;
    for (const ColumnDescription& c : table.columns)
        lines << columnLine(c, table.databaseCollation, only70);
    for (const KeyDescription& k : table.keys)
        lines << keyLine(k, only70);

    return QStringLiteral("CREATE TABLE ") + quoteName(table.schema) + QLatin1Char('.') +
           quoteName(table.name) + QStringLiteral(" (") + kNewLine +
           lines.join(QLatin1Char(',') + kNewLine) + kNewLine + QLatin1Char(')') + BatchSeparator;
}

QString scriptView(const QString& definition, int script2Type)
{
    // A view's text is the server's own; there is nothing a 7.0 script could
    // rewrite in it without parsing T-SQL, so both script types give it as stored.
    Q_UNUSED(script2Type);
    QString text = definition;
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    if (text.trimmed().isEmpty()) return {};
    return text + BatchSeparator;
}

} // namespace corvane::schema
