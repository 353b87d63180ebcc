#pragma once

#include <QString>

namespace corvane {
struct Context;
class Error;
namespace db {
class Connection;
}
} // namespace corvane

namespace corvane::schema {

// LocalConnection; the error VB raises for an object never set when there is none.
db::Connection& localConnection(Context& ctx);

// Sends one statement to LocalConnection through a fresh WorkRecordset
// (static, pessimistic) and drops it; logs the statement with its outcome.
// Throws corvane::Error when the database refuses it. In a preview the
// statement is only listed, and the result is false.
bool executeLocalStatement(Context& ctx, const QString& sql);

// The run log's lines for a statement sent to LocalConnection.
void logExecuted(Context& ctx, const QString& sql);
void logFailed(Context& ctx, const Error& e, const QString& sql);

// Copies the reference database version, upper-cased, into the local
// Parametri row 1 and shows it in lblBDLocale; "Nessuna" when unreadable.
void writeDatabaseVersion(Context& ctx);

// The SQL-DMO library is missing or too old: says so, then opens the
// backward-compatibility package of the program folder, or downloads a new
// version of the program when the package is not there.
void takeLibraryMissingPath(Context& ctx);

} // namespace corvane::schema
