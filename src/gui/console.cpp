#include "console.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <cstdio>
#include <windows.h>
#endif

namespace corvane::gui {

void useParentConsole()
{
#ifdef Q_OS_WIN
    // Redirected by a scheduler or a shell: the handles are already there.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    FILE* ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
#endif
}

} // namespace corvane::gui
