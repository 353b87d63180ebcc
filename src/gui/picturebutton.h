#pragma once

#include <QPushButton>

class QLabel;

namespace corvane::gui {

// A push button with a 16 x 16 picture beside a caption that wraps over
// several lines, as the window's graphical buttons show them.
class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);

    QString caption() const;
    void setCaption(const QString& caption);
    void setPicture(const QIcon& icon);
    // The caption as painted (for checks of the word wrap and the font).
    QLabel* captionLabel() const { return m_caption; }
    QLabel* pictureLabel() const { return m_picture; }

private:
    QLabel* m_picture;
    QLabel* m_caption;
};

} // namespace corvane::gui
