#pragma once

#include <QFont>

namespace corvane::gui {

// The window's texts are laid out for "MS Sans Serif" at 96 dpi. Where that
// family is missing, map it to one with the same metrics that exists here.
void installFontSubstitution();

// The family "MS Sans Serif" stands for among the installed `families`:
// itself where it is installed (Windows), else Liberation Sans, else
// `systemFamily`.
QString formFamilyFor(const QStringList& families, const QString& systemFamily);

// "MS Sans Serif" at the given point size, sized in pixels as on a 96-dpi
// screen so the texts fit the fixed control rectangles whatever dpi the
// display reports.
QFont formFont(double points, bool bold = false);

// Pixels of a size in points on a 96-dpi screen.
int pointsToPixels(double points);

} // namespace corvane::gui
