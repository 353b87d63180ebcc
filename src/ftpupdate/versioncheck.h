#pragma once

namespace corvane {

struct Context;

// Fetches VERSIONE.TXT, reads the local Corvane.exe's version and shows both
// on the window, green when they match.
void ControllaVersioneProgramma(Context& ctx);

} // namespace corvane
