#pragma once

namespace corvane {

struct Context;

// The download run, framed by the busy pointer and the progress label.
void cmdNuovaVer_Click(Context& ctx);
void ScaricaNuovaVersione(Context& ctx);

} // namespace corvane
