#include "formfont.h"

#include <QFontDatabase>
#include <QStringList>
#include <QtMath>

namespace corvane::gui {

namespace {
const QString kFormFamily = QStringLiteral("MS Sans Serif");
// Arial metrics: the widths the fixed label rectangles were sized for.
const QString kPreferredSubstitute = QStringLiteral("Liberation Sans");
} // namespace

void installFontSubstitution()
{
    const QStringList families = QFontDatabase::families();
    if (families.contains(kPreferredSubstitute, Qt::CaseInsensitive)) {
        QFont::insertSubstitution(kFormFamily, kPreferredSubstitute);
        return;
    }
    QFont::insertSubstitution(kFormFamily,
                              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
}

int pointsToPixels(double points)
{
    return qRound(points * 96.0 / 72.0);
}

QFont formFont(double points, bool bold)
{
    QFont font(kFormFamily);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pointsToPixels(points));
    font.setBold(bold);
    return font;
}

} // namespace corvane::gui
