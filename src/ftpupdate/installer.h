#pragma once

namespace corvane {

struct Context;

// True on a 64-bit operating system (WOW64 on Windows).
bool IsWindows64Bit();
// Opens the backward-compatibility package that suits the system, or fetches it.
void cmdInstallaLib_Click(Context& ctx);

} // namespace corvane
