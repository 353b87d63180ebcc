#include "sqlservertesthelpers.h"

#include "base/error.h"

#include <QDate>
#include <QDateTime>

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

QString withoutToday(QString transcript)
{
    return transcript.replace(QDate::currentDate().toString(Qt::ISODate),
                              QStringLiteral("<today>"));
}

} // namespace corvane::test
