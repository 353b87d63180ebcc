#pragma once

#include <QString>

namespace corvane {

struct Context;

// The verdicts a comparison leaves in lblEsito.
namespace comparisontext {
inline const QString AllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");
inline const QString SomeOutdated = QStringLiteral("Alcune Tabelle/Viste non Sono Aggiornate !!!");
} // namespace comparisontext

// The schema comparison report: one FlexDb row per reference table, column
// and view, green when present locally, red when missing.
void CommandAggiungiProvvigione_Click(Context& ctx);

} // namespace corvane
