#include "picturebutton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace corvane::gui {

namespace {
constexpr int kPictureSize = 16;
}

PictureButton::PictureButton(QWidget* parent)
    : QPushButton(parent), m_picture(new QLabel(this)), m_caption(new QLabel(this))
{
    // The labels only paint: clicks and focus belong to the button.
    for (QLabel* label : {m_picture, m_caption}) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setFocusPolicy(Qt::NoFocus);
    }
    m_picture->setFixedSize(kPictureSize, kPictureSize);
    m_caption->setWordWrap(true);
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setAlignment(Qt::AlignCenter);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 3);
    layout->setSpacing(3);
    layout->addWidget(m_picture, 0, Qt::AlignVCenter);
    layout->addWidget(m_caption, 1);
}

QString PictureButton::caption() const
{
    return m_caption->text();
}

void PictureButton::setCaption(const QString& caption)
{
    m_caption->setText(caption);
    setAccessibleName(caption);
}

void PictureButton::setPicture(const QIcon& icon)
{
    m_picture->setPixmap(icon.pixmap(kPictureSize, kPictureSize));
}

} // namespace corvane::gui
