#pragma once

#include <QHash>
#include <QWidget>

class QLabel;
class QProgressBar;
class QListWidget;
class QFrame;

namespace corvane {
class Control;
class FormState;
class ListBoxControl;
class ProgressBarControl;
} // namespace corvane

namespace corvane::gui {

class CaptionFrame;
class FlexDbView;
class PictureButton;

// FormMain on screen: one widget per control of the window state at its
// fixed place, each repainted when its control changes. A click reaches the
// control's clicked() signal, to which FormMain connects its handler.
class MainView : public QWidget
{
    Q_OBJECT
public:
    explicit MainView(FormState& form, QWidget* parent = nullptr);

    // The widget that shows the control of that name (nullptr if none).
    QWidget* controlWidget(const QString& name) const { return m_widgets.value(name); }
    // Every control lives here; it is disabled while the window is.
    QWidget* clientArea() const { return m_client; }

    // Client area in twips, as the window was designed.
    static constexpr int kClientWidthTwips = 8865;
    static constexpr int kClientHeightTwips = 7065;
    static constexpr int kTwipsPerPixel = 15;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildVersionLabels();
    void buildGridAndFrames();
    void buildProgramLabels();
    void buildButtons();
    void setTabOrder();

    QLabel* addLabel(Control& control, QWidget* parent, QRect twips, QFont font,
                     Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);
    void bindLabel(Control& control, QLabel* label, QRect twips, QFont font,
                   Qt::Alignment alignment);
    CaptionFrame* addFrame(Control& control, QRect twips);
    PictureButton* addButton(Control& control, QRect twips, const QIcon& picture);
    void addProgressBar(ProgressBarControl& control, QRect twips);
    void addListBox(ListBoxControl& control, QRect twips);
    void addLine(QRect twips);
    void place(QWidget* widget, const QString& name, QRect twips);
    void applyWindowState();
    void showCentred();

    FormState& m_form;
    QWidget* m_client;
    FlexDbView* m_grid = nullptr;
    QHash<QString, QWidget*> m_widgets;
    bool m_shownOnce = false;
};

// Pixels of a rectangle given in twips.
QRect twipsToPixels(QRect twips);

} // namespace corvane::gui
