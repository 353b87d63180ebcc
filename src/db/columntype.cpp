#include "columntype.h"

#include <QHash>
#include <QList>

namespace corvane::db {

namespace {

struct Declared
{
    QString name;
    QList<QString> arguments; // the texts between the parentheses right after the name
};

// The engine returns "[char] (10)" as "char] (10": drop every bracket first,
// then take the first word and the parenthesised list that follows it.
Declared splitDeclared(const QString& declared)
{
    QString text = declared;
    text.remove(u'[').remove(u']');
    text = text.trimmed();
    Declared result;
    qsizetype end = 0;
    while (end < text.size() && !text[end].isSpace() && text[end] != u'(')
        ++end;
    result.name = text.left(end).toLower();
    QString rest = text.mid(end).trimmed();
    if (!rest.startsWith(u'(')) return result;
    const qsizetype close = rest.indexOf(u')');
    const QString inside = rest.mid(1, close < 0 ? -1 : close - 1);
    for (const QString& part : inside.split(u','))
        result.arguments << part.trimmed();
    return result;
}

QVariant argumentOr(const Declared& d, int index, int fallback)
{
    if (index >= d.arguments.size() || d.arguments[index].isEmpty()) return fallback;
    if (d.arguments[index].compare(u"max", Qt::CaseInsensitive) == 0) return -1;
    bool ok = false;
    const int value = d.arguments[index].toInt(&ok);
    return ok ? QVariant(value) : QVariant(fallback);
}

struct Exact
{
    int precision;
    int scale; // -1: the server reports no scale
};

// Precision and scale SQL Server reports for its fixed numeric types.
const QHash<QString, Exact>& fixedNumerics()
{
    static const QHash<QString, Exact> table{
        {QStringLiteral("tinyint"), {3, 0}}, {QStringLiteral("smallint"), {5, 0}},
        {QStringLiteral("int"), {10, 0}},    {QStringLiteral("integer"), {10, 0}},
        {QStringLiteral("bigint"), {19, 0}}, {QStringLiteral("real"), {24, -1}},
        {QStringLiteral("money"), {19, 4}},  {QStringLiteral("smallmoney"), {10, 4}},
    };
    return table;
}

// Fixed maximum lengths of the large-object types.
const QHash<QString, int>& largeObjects()
{
    static const QHash<QString, int> table{{QStringLiteral("text"), 2147483647},
                                           {QStringLiteral("ntext"), 1073741823},
                                           {QStringLiteral("image"), 2147483647}};
    return table;
}

bool isCharacterType(const QString& name)
{
    static const QList<QString> names{QStringLiteral("char"),   QStringLiteral("varchar"),
                                      QStringLiteral("nchar"),  QStringLiteral("nvarchar"),
                                      QStringLiteral("binary"), QStringLiteral("varbinary")};
    return names.contains(name);
}

} // namespace

ColumnType parseColumnType(const QString& declared)
{
    const Declared d = splitDeclared(declared);
    ColumnType type;
    type.dataType = d.name == u"integer" ? QStringLiteral("int") : d.name;
    if (isCharacterType(d.name)) {
        type.maximumLength = argumentOr(d, 0, 1);
    } else if (const auto lob = largeObjects().constFind(d.name); lob != largeObjects().cend()) {
        type.maximumLength = *lob;
    } else if (d.name == u"decimal" || d.name == u"numeric") {
        type.numericPrecision = argumentOr(d, 0, 18);
        type.numericScale = argumentOr(d, 1, 0);
    } else if (d.name == u"float") {
        // float(n) is stored as real up to 24 bits of mantissa, as double above.
        type.numericPrecision = argumentOr(d, 0, 53).toInt() <= 24 ? 24 : 53;
    } else if (const auto fixed = fixedNumerics().constFind(d.name);
               fixed != fixedNumerics().cend()) {
        type.numericPrecision = fixed->precision;
        if (fixed->scale >= 0) type.numericScale = fixed->scale;
    }
    return type;
}

} // namespace corvane::db
