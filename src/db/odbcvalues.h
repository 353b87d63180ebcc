#pragma once

#include <QVariantList>

class QSqlQuery;
class QSqlRecord;

namespace corvane::db {

// The current row of a query on an ODBC connection, each value asked of the
// driver in a C type that holds it whole: text as wide characters, exact
// numbers (decimal, numeric) as their text, integers, floats, dates and
// binary data in their own C types. Qt 6.4 reads text through FreeTDS as
// UTF-8 bytes in a buffer sized for the column's characters and turns a value
// that outgrows it ("Città" in a char(5)) into NULL; decimals it reads as doubles.
// A NULL comes back as a null QVariant of the column's type.
QVariantList odbcRowValues(const QSqlQuery& query, const QSqlRecord& record);

} // namespace corvane::db
