#pragma once

#include "app/context.h"

namespace corvane {

// Reads both database versions, shows them (green when equal), and writes the
// customer's row of the update log on the reference server. Never shows a box.
void CheckDatabaseVersion(Context& ctx);

// Doubles every single quote: l'anno -> l''anno.
QString DoubleQuotes(const QString& text);

} // namespace corvane
