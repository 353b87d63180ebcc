#pragma once

#include "support/tdstestserver.h"

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

// Where the text differs from tests/sqlserver/golden/<name>, in words; empty
// when it does not. The text is also written beside the test binary
// (actual/<name>) for a look with diff.
QString goldenMismatch(const QString& actual, const QString& name);

// The transcript with today's date written "<today>" and the current year in a
// parameter value "<year>", so that a golden text holds on any day.
QString withoutToday(QString transcript);

} // namespace corvane::test

#define QCOMPARE_GOLDEN(actual, name)                                                              \
    do {                                                                                           \
        const QString mismatch_ = corvane::test::goldenMismatch((actual), (name));                 \
        QVERIFY2(mismatch_.isEmpty(), qPrintable(mismatch_));                                      \
    } while (false)
