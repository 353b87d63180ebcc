#pragma once

#include <QString>

namespace corvane {
struct Context;
}

namespace corvane::schema {

class RunTransaction;

enum class ObjectKind { Table, View };

// Runs the script obtained for one reference object on LocalConnection by the
// batch rule, each batch as one statement.
// On the embedded engine, besides:
//  - batches are whole statements (embeddedBatchesOf);
//  - a statement may only create that object (a table and its own indexes,
//    or the view) and read: anything else is refused by the engine;
//  - the script is one transaction: the object is there whole, or not at all;
//  - an index whose name another local object holds takes a name derived
//    from its table (the run log says so), as index names are per table on
//    SQL Server but per database here;
//  - a view must be usable as created: one that names an object still
//    missing is not kept, as SQL Server would refuse it.
// In a preview the statements are only listed. Returns how many were
// executed (none in a preview, or for an empty script). Throws
// corvane::Error; on the embedded engine nothing is left changed then.
// Within a run's transaction the object is one savepoint of it: the
// statements are logged once the run commits, and a failure commits the
// objects before it first.
int runObjectScript(Context& ctx, ObjectKind kind, const QString& objectName, const QString& script,
                    RunTransaction* run = nullptr);

} // namespace corvane::schema
