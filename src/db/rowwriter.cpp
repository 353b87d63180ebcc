#include "rowwriter.h"

#include <QRegularExpression>
#include <QSqlDriver>

namespace corvane::db {

namespace {

QString quoted(const QSqlDriver& driver, const QString& column)
{
    return driver.escapeIdentifier(column, QSqlDriver::FieldName);
}

} // namespace

std::optional<WriteTarget> writeTargetOf(const QString& source)
{
    // A name part: [bracketed], "quoted" or a plain word; parts joined by dots.
    static const QRegularExpression shape(
        QStringLiteral(
            R"(^\s*select\s+(.+?)\s+from\s+)"
            R"(((?:\[[^\]]*\]|"[^"]*"|[^\s\[\]",;()]+)(?:\.(?:\[[^\]]*\]|"[^"]*"|[^\s\[\]",;()]+))*))"
            R"((?:\s+where\s+(.*?))?\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression notOneTableRows(QStringLiteral(R"(^\s*(distinct|top)\b)"),
                                                    QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = shape.match(source);
    if (!match.hasMatch() || notOneTableRows.match(match.captured(1)).hasMatch())
        return std::nullopt;
    return WriteTarget{match.captured(2), match.captured(3).trimmed()};
}

WriteStatement insertStatement(const QSqlDriver& driver, const WriteTarget& target,
                               const QStringList& columns, const QVariantList& values)
{
    if (columns.isEmpty())
        return {QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(target.table), {}};
    QStringList names;
    for (const QString& column : columns)
        names << quoted(driver, column);
    const QString placeholders = QStringList(columns.size(), QStringLiteral("?")).join(u", ");
    return {QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(target.table, names.join(u", "), placeholders),
            values};
}

WriteStatement updateStatement(const QSqlDriver& driver, const WriteTarget& target,
                               const QStringList& columns, const QVariantList& values,
                               const QStringList& matchColumns, const QVariantList& matchValues)
{
    WriteStatement statement;
    QStringList assignments;
    for (const QString& column : columns)
        assignments << quoted(driver, column) + QStringLiteral(" = ?");
    statement.values = values;
    QStringList conditions;
    if (!target.where.isEmpty()) conditions << u'(' + target.where + u')';
    for (qsizetype i = 0; i < matchColumns.size(); ++i) {
        if (matchValues[i].isNull()) {
            conditions << quoted(driver, matchColumns[i]) + QStringLiteral(" IS NULL");
        } else {
            conditions << quoted(driver, matchColumns[i]) + QStringLiteral(" = ?");
            statement.values << matchValues[i];
        }
    }
    statement.sql = QStringLiteral("UPDATE %1 SET %2").arg(target.table, assignments.join(u", "));
    if (!conditions.isEmpty())
        statement.sql += QStringLiteral(" WHERE ") + conditions.join(u" AND ");
    return statement;
}

} // namespace corvane::db
