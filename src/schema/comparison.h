#pragma once

namespace corvane {

struct Context;

// The schema comparison report: one FlexDb row per reference table, column
// and view, green when present locally, red when missing.
void CommandAggiungiProvvigione_Click(Context& ctx);

} // namespace corvane
