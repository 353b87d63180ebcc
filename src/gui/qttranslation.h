#pragma once

namespace corvane::gui {

// Qt's own texts in Italian, as every text of the program: the standard
// buttons of a box read "Sì" and "No". Looked for where Qt keeps its
// translations, then beside the program (a deployed Windows folder). False
// when none was found: the texts stay in English.
bool installItalianQtTranslation();

} // namespace corvane::gui
