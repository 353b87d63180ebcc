#include "installer.h"

#include "download.h"
#include "localfiles.h"
#include "state/context.h"
#include "state/programfolder.h"
#include "texts.h"

#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace corvane {

bool IsWindows64Bit()
{
#ifdef Q_OS_WIN
    // A 64-bit build can only run on 64-bit Windows; a 32-bit one asks WOW64.
    if constexpr (sizeof(void*) == 8) return true;
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32");
    auto isWow64 =
        kernel ? reinterpret_cast<IsWow64ProcessFn>(GetProcAddress(kernel, "IsWow64Process"))
               : nullptr;
    if (!isWow64) return false;
    BOOL flag = FALSE;
    return isWow64(GetCurrentProcess(), &flag) && flag;
#else
    return QSysInfo::currentCpuArchitecture().endsWith(QLatin1String("64"));
#endif
}

void cmdInstallaLib_Click(Context& ctx)
{
    const QString package = IsWindows64Bit() ? ftptext::Package64 : ftptext::Package32;
    const QString folder = ctx.port.programFolder();
    const QString found = findInFolder(folder, package);
    if (!found.isEmpty()) {
        // The installer runs on its own; whether it started is not looked at.
        ctx.log.record(QStringLiteral("Opening ") + found);
        ctx.port.shellOpen(found, folder);
        return;
    }
    ctx.port.setMousePointer(pointer::Icon);
    ctx.form.setEnabled(true);
    cmdNuovaVer_Click(ctx);
}

} // namespace corvane
