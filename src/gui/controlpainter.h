#pragma once

#include <QString>

class QWidget;
class QLabel;
class QProgressBar;
class QListWidget;

namespace corvane {
class Control;
class ListBoxControl;
class ProgressBarControl;
} // namespace corvane

namespace corvane::gui {

class CaptionFrame;
class PictureButton;

// Bring a widget in line with the state of its control. Each is called once
// when the widget is made and again at every changed() of the control.

// A caption as Qt shows it: CR LF (or a lone CR or LF) is a line break.
QString displayText(const QString& caption);

void paintCommon(const Control& control, QWidget* widget);
// Fore colour on the text, back colour filling the widget; colour::None
// leaves the window's own colour.
void paintColours(const Control& control, QWidget* widget);
void paintLabel(const Control& control, QLabel* label);
void paintFrame(const Control& control, CaptionFrame* frame);
void paintButton(const Control& control, PictureButton* button);
void paintProgressBar(const ProgressBarControl& control, QProgressBar* bar);
void paintListBox(const ListBoxControl& control, QListWidget* list);

} // namespace corvane::gui
