#pragma once

namespace corvane {

struct Context;

// Reads both database versions, shows them (green when equal), and writes the
// customer's row of the update log on the reference server. Never shows a box.
void CheckDatabaseVersion(Context& ctx);

} // namespace corvane
