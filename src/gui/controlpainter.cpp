#include "controlpainter.h"

#include "captionframe.h"
#include "picturebutton.h"
#include "state/controls.h"
#include "state/flexgrid.h"

#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>

namespace corvane::gui {

QString displayText(const QString& caption)
{
    QString text = caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void paintCommon(const Control& control, QWidget* widget)
{
    widget->setEnabled(control.enabled());
    widget->setVisible(control.visible());
}

void paintColours(const Control& control, QWidget* widget)
{
    // An empty palette resolves every role it does not set from the parent.
    QPalette palette;
    if (control.foreColour() != colour::None) {
        const QColor fore = windowsColour(control.foreColour());
        palette.setColor(QPalette::WindowText, fore);
        palette.setColor(QPalette::Text, fore);
    }
    const bool filled = control.backColour() != colour::None;
    if (filled) palette.setColor(QPalette::Window, windowsColour(control.backColour()));
    widget->setPalette(palette);
    widget->setAutoFillBackground(filled);
}

void paintLabel(const Control& control, QLabel* label)
{
    label->setText(displayText(control.caption()));
    paintColours(control, label);
    paintCommon(control, label);
}

void paintFrame(const Control& control, CaptionFrame* frame)
{
    frame->setTitle(displayText(control.caption()));
    paintColours(control, frame);
    // A frame is shown while the window works, which is while it is
    // disabled: its caption and phase text keep their colour then, instead
    // of the disabled grey that cannot be read on the frame's yellow.
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    frame->setPalette(palette);
    paintCommon(control, frame);
}

void paintButton(const Control& control, PictureButton* button)
{
    button->setCaption(displayText(control.caption()));
    paintCommon(control, button);
}

void paintProgressBar(const ProgressBarControl& control, QProgressBar* bar)
{
    bar->setRange(control.min(), control.max());
    bar->setValue(control.value());
    paintCommon(control, bar);
}

void paintListBox(const ListBoxControl& control, QListWidget* list)
{
    // The procedures only append or clear: append the new tail, rebuild
    // otherwise, so filling a long listing stays linear.
    const QStringList& items = control.items();
    const int shown = list->count();
    const bool appended = shown <= items.size() &&
                          (shown == 0 || list->item(shown - 1)->text() == items.at(shown - 1));
    if (!appended) list->clear();
    for (int i = list->count(); i < items.size(); ++i)
        list->addItem(items.at(i));
    list->setCurrentRow(control.listIndex());
    paintCommon(control, list);
}

} // namespace corvane::gui
