#include "clickablelabel.h"

#include <QMouseEvent>

namespace corvane::gui {

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    // Accepted, so the release comes back here rather than to the window.
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) emit clicked();
}

} // namespace corvane::gui
