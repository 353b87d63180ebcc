#include "embeddedcolumns.h"

#include <QRegularExpression>

namespace corvane::schema {

namespace {

struct DeclaredType
{
    QString base;
    QString size1; // "" when the type has no size
    QString size2;
    bool identity = false;
    QString seed;
    QString increment;
};

// The engine keeps a declared type that starts with "[" by dropping its first
// and last characters: "[char] (10)" reads "char] (10", "[int] IDENTITY"
// reads "int] IDENTIT". Brackets go, and the pattern tolerates the lost tail.
DeclaredType parseDeclaredType(const QString& declared)
{
    QString text = declared;
    text.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s*)"
                       R"((?:\(\s*(max|\d+)\s*(?:,\s*(\d+)\s*)?\)?)?\s*)"
                       R"((IDENTITY?(?:\s*\(\s*(-?\d+)\s*,\s*(-?\d+)\s*\)?)?)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(text);
    DeclaredType t;
    if (!m.hasMatch()) {
        t.base = text.simplified();
        return t;
    }
    t.base = m.captured(1);
    t.size1 = m.captured(2);
    t.size2 = m.captured(3);
    t.identity = m.hasCaptured(4);
    t.seed = m.captured(5);
    t.increment = m.captured(6);
    return t;
}

bool isLengthType(const QString& type)
{
    static const QStringList types{QStringLiteral("char"),   QStringLiteral("varchar"),
                                   QStringLiteral("nchar"),  QStringLiteral("nvarchar"),
                                   QStringLiteral("binary"), QStringLiteral("varbinary")};
    return types.contains(type);
}

void fillSizes(Column& c, const DeclaredType& t)
{
    if (isLengthType(c.Datatype)) {
        // SQL Server's default length for these types is 1.
        if (t.size1.isEmpty())
            c.Length = 1;
        else
            c.Length = t.size1.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0
                           ? -1
                           : t.size1.toInt();
    } else if (c.Datatype == u"decimal" || c.Datatype == u"numeric") {
        c.NumericPrecision = t.size1.isEmpty() ? 18 : t.size1.toInt();
        c.NumericScale = t.size2.isEmpty() ? 0 : t.size2.toInt();
    }
}

} // namespace

Column columnFromTableInfo(const TableInfoRow& row, bool tableHasAutoincrement)
{
    const DeclaredType t = parseDeclaredType(row.declaredType);
    Column c;
    c.Name = row.name;
    c.Datatype = t.base.toLower();
    if (c.Datatype == u"integer") c.Datatype = QStringLiteral("int");
    fillSizes(c, t);

    c.InPrimaryKey = row.pk > 0;
    // Key columns never hold NULL on SQL Server, whatever the engine allows.
    c.AllowNulls = !row.notNull && !c.InPrimaryKey;
    if (row.hasDefault) c.DRIDefaultText = QLatin1Char('(') + row.defaultText + QLatin1Char(')');

    const bool autoincrement = tableHasAutoincrement && row.pk == 1 &&
                               t.base.compare(QLatin1String("integer"), Qt::CaseInsensitive) == 0;
    if (t.identity || autoincrement) {
        c.Identity = true;
        c.IdentitySeed = t.seed.isEmpty() ? 1 : t.seed.toInt();
        c.IdentityIncrement = t.increment.isEmpty() ? 1 : t.increment.toInt();
    }
    return c;
}

bool sameObjectName(const QString& a, const QString& b)
{
    auto withoutTrailingBlanks = [](QStringView s) {
        while (!s.isEmpty() && s.back() == QLatin1Char(' '))
            s.chop(1);
        return s;
    };
    return withoutTrailingBlanks(a).compare(withoutTrailingBlanks(b), Qt::CaseInsensitive) == 0;
}

} // namespace corvane::schema
