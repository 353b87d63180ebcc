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

QString formFamilyFor(const QStringList& families, const QString& systemFamily)
{
    if (families.contains(kFormFamily, Qt::CaseInsensitive)) return kFormFamily;
    if (families.contains(kPreferredSubstitute, Qt::CaseInsensitive)) return kPreferredSubstitute;
    return systemFamily;
}

void installFontSubstitution()
{
    const QString family = formFamilyFor(
        QFontDatabase::families(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    if (family != kFormFamily) QFont::insertSubstitution(kFormFamily, family);
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
