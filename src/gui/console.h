#pragma once

namespace corvane::gui {

// A Windows program of the GUI kind starts without standard output: when it
// was not redirected, write to the console of the command prompt that
// started the program, if there is one. Elsewhere nothing to do.
void useParentConsole();

} // namespace corvane::gui
