#pragma once

namespace corvane {

struct Context;

// The schema update run: creates what the red rows of FlexDb name.
void Cmd_Click(Context& ctx);

} // namespace corvane
