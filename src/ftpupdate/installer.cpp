#include "installer.h"

#include "base/system.h"
#include "download.h"
#include "localfiles.h"
#include "state/context.h"
#include "state/programfolder.h"
#include "texts.h"

namespace corvane {

bool IsWindows64Bit()
{
    return sys::isWindows64Bit();
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
