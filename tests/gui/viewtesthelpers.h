#pragma once

// Reading back what the view painted.
#include "gui/captionframe.h"
#include "gui/picturebutton.h"

#include <QImage>
#include <QLabel>
#include <QWidget>

namespace corvane::gui::test {

// Pixels of the image of a widget that match a predicate.
template <typename Pred> int countPixels(QWidget* widget, Pred pred)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pred(QColor(image.pixel(x, y)))) ++n;
    return n;
}

inline bool reddish(const QColor& c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}
inline bool greenish(const QColor& c)
{
    return c.green() > 150 && c.red() < 60 && c.blue() < 60;
}

// The caption a label, button or frame shows.
inline QString captionOf(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<PictureButton*>(w)) return button->caption();
    if (auto* frame = qobject_cast<CaptionFrame*>(w)) return frame->title();
    return {};
}

} // namespace corvane::gui::test
