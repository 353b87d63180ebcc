#pragma once

namespace corvane {

struct Context;

// The default rows of the lookup tables; the first failure ends it silently.
void SeedDefaultRows(Context& ctx);

} // namespace corvane
