#pragma once

#include <QWidget>

namespace corvane::gui {

// A frame: an etched border with its caption set into the top edge, the
// whole area filled with the frame's back colour (no shaded panel inside).
class CaptionFrame : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    const QString& title() const { return m_title; }
    void setTitle(const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
};

} // namespace corvane::gui
