#pragma once

#include "eventlog.h"
#include "formstate.h"
#include "globals.h"
#include "platform.h"

namespace corvane {

// What a handler or a procedure of the module touches: the window's controls,
// the global state of the start-up sequence, the platform, and the run log.
struct Context
{
    FormState& form;
    GlobalState& g;
    PlatformPort& port;
    EventLog& log;
};

} // namespace corvane
