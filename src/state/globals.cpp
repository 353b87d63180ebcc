#include "globals.h"

namespace corvane {

db::Recordset& GlobalState::newWorkRecordset()
{
    WorkRecordset = std::make_unique<db::Recordset>();
    return *WorkRecordset;
}

} // namespace corvane
