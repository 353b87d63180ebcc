#pragma once

#include "support/tdstestserver.h"
#include "support/testfiles.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <utility>

namespace corvane::test {

// The program's connection string for a database on the test server.
QString sqlServerString(const TdsTestServer& server,
                        const QString& database = QStringLiteral("Corvane"),
                        const QString& user = QStringLiteral("sa"),
                        const QString& password = QStringLiteral("Harbor42"));

// The number and description of the corvane::Error the action throws; {0, ""} when none.
std::pair<long, QString> failureOf(const std::function<void()>& action);

// A field value as text: "<null>" for NULL, ISO text with milliseconds for a date and time.
QString shownValue(const QVariant& value);

// The transcript with today's date written "<today>", so that a golden text
// holds on any day (a year of its own is "{YEAR}" in the golden text).
QString withoutToday(QString transcript);

} // namespace corvane::test

// The text against tests/sqlserver/golden/<name>.
#define QCOMPARE_GOLDEN(actual, name)                                                              \
    QVERIFY(corvane::test::matchesGolden(QStringLiteral("sqlserver/golden/") + (name), (actual)))
