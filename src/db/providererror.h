#pragma once

#include <QString>

class QSqlError;

namespace corvane::db {

// The numbers ADO raises for misuse of its objects, with its own texts.
namespace adoerr {
inline constexpr long NoCurrentRecord = 3021;
inline constexpr long NotSupported = 3251;
inline constexpr long ItemNotFound = 3265;
inline constexpr long ObjectClosed = 3704;
inline constexpr long ObjectOpen = 3705;
inline constexpr long ConnectionUnusable = 3709;
inline constexpr long CannotFetchBackward = -2147217884;
inline constexpr long RowNotLocated = -2147217864;
} // namespace adoerr

// The provider's own words for a failure: the database's text when it gave
// one (every diagnostic record for ODBC), otherwise the driver's.
QString providerText(const QSqlError& error);

// corvane::Error(errnum::ProviderFailure, providerText(error)).
[[noreturn]] void throwProviderError(const QSqlError& error);
[[noreturn]] void throwProviderError(const QString& text);
// corvane::Error(number, ADO's text for that number).
[[noreturn]] void throwAdoError(long number);
// What ADO raises for a write on a recordset that cannot take one.
[[noreturn]] void throwNotUpdatable();

} // namespace corvane::db
