#include "sqlservertesthelpers.h"

#include "base/error.h"
#include "support/testdb.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace corvane::test {

QString sqlServerString(const TdsTestServer& server, const QString& database, const QString& user,
                        const QString& password)
{
    return QStringLiteral("Provider=SQLOLEDB;Data Source=%1;User ID=%2;PWD=%3;DATABASE=%4")
        .arg(server.dataSource(), user, password, database);
}

std::pair<long, QString> failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const corvane::Error& e) {
        return {e.number(), e.description()};
    }
    return {0, QString()};
}

QString shownValue(const QVariant& value)
{
    if (value.isNull()) return QStringLiteral("<null>");
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(Qt::ISODateWithMs);
    return value.toString();
}

QString goldenMismatch(const QString& actual, const QString& name)
{
    const QString actualDir = QStringLiteral(CORVANE_SQLSERVER_ACTUAL_DIR);
    QDir().mkpath(actualDir);
    QFile out(QDir(actualDir).filePath(name));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(actual.toUtf8());
    out.close();

    QFile file(testSourcePath(QStringLiteral("sqlserver/golden/") + name));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("no golden %1 (actual text in %2)").arg(name, out.fileName());
    const QString expected = QString::fromUtf8(file.readAll());
    if (expected == actual) return {};
    const QStringList want = expected.split(u'\n');
    const QStringList got = actual.split(u'\n');
    qsizetype line = 0;
    while (line < want.size() && line < got.size() && want[line] == got[line])
        ++line;
    return QStringLiteral(
               "%1 differs at line %2:\n  expected: %3\n  actual:   %4\n(actual text in %5)")
        .arg(name)
        .arg(line + 1)
        .arg(want.value(line, QStringLiteral("<end>")), got.value(line, QStringLiteral("<end>")),
             out.fileName());
}

QString withoutToday(QString transcript)
{
    const QDate today = QDate::currentDate();
    transcript.replace(today.toString(Qt::ISODate), QStringLiteral("<today>"));
    // The current year stored on its own (a counter's year) in a parameter value.
    const QRegularExpression year(QStringLiteral("\\b%1\\b").arg(today.year()));
    QStringList lines = transcript.split(u'\n');
    for (QString& line : lines)
        if (line.startsWith(QLatin1String("  values:")))
            line.replace(year, QStringLiteral("<year>"));
    return lines.join(u'\n');
}

} // namespace corvane::test
