#include "captionframe.h"

#include <QPainter>

namespace corvane::gui {

namespace {
constexpr int kCaptionIndent = 6;
constexpr int kCaptionPadding = 2;
} // namespace

void CaptionFrame::setTitle(const QString& title)
{
    if (title == m_title) return;
    m_title = title;
    update();
}

void CaptionFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics fm(font());
    // The border runs through the middle of the caption's line.
    const QRect border = rect().adjusted(0, fm.height() / 2, -2, -2);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(border);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.translated(1, 1));

    if (m_title.isEmpty()) return;
    const QRect caption(kCaptionIndent, 0, fm.horizontalAdvance(m_title) + 2 * kCaptionPadding,
                        fm.height());
    painter.fillRect(caption, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, m_title);
}

} // namespace corvane::gui
