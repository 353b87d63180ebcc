#include "console.h"

#include "base/system.h"

namespace corvane::gui {

void useParentConsole()
{
    corvane::sys::attachParentConsole();
}

} // namespace corvane::gui
