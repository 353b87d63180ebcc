#include "mainview.h"

#include "captionframe.h"
#include "clickablelabel.h"
#include "controlpainter.h"
#include "flexdbview.h"
#include "formfont.h"
#include "picturebutton.h"
#include "state/formstate.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>

// Resources of a static library are registered by hand, from the global namespace.
static void initGuiResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace corvane::gui {

namespace {
constexpr double kLabelPoints = 9.75;
constexpr double kFramePoints = 8.25;
constexpr double kInfoPoints = 13.5;
constexpr double kVerdictPoints = 18;
constexpr double kButtonPoints = 8.25;
constexpr int kLineWidth = 2;
} // namespace

QRect twipsToPixels(QRect twips)
{
    const auto px = [](int t) { return qRound(t / double(MainView::kTwipsPerPixel)); };
    return {px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())};
}

MainView::MainView(FormState& form, QWidget* parent)
    : QWidget(parent), m_form(form), m_client(new QWidget(this))
{
    initGuiResources();
    setWindowIcon(QIcon(QStringLiteral(":/icons/corvane.png")));
    const QRect client = twipsToPixels({0, 0, kClientWidthTwips, kClientHeightTwips});
    setFixedSize(client.size());
    m_client->setGeometry(client);

    // Made in the order of the window's layout, so later controls lie on top.
    buildVersionLabels();
    buildGridAndFrames();
    buildProgramLabels();
    buildButtons();
    setTabOrder();

    connect(&form, &FormState::changed, this, &MainView::applyWindowState);
    connect(&form, &FormState::showRequested, this, &MainView::showCentred);
    applyWindowState();
}

void MainView::buildVersionLabels()
{
    const QFont bold = formFont(kLabelPoints, true);
    addLabel(m_form.Label1, m_client, {120, 120, 3375, 375}, bold);

    auto* connected = new ClickableLabel(m_client);
    bindLabel(m_form.lblConnesso, connected, {6480, 120, 2295, 255}, bold,
              Qt::AlignRight | Qt::AlignTop);
    connect(connected, &ClickableLabel::clicked, &m_form.lblConnesso, &Control::click);

    addLabel(m_form.Label3, m_client, {120, 480, 2535, 375}, bold);
    addLabel(m_form.lblBDLocale, m_client, {2520, 480, 1095, 375}, bold);
    addLabel(m_form.Label4, m_client, {3840, 480, 2895, 375}, bold);
    addLabel(m_form.lblDBDashmoor, m_client, {6000, 480, 1095, 375}, bold);
    addProgressBar(m_form.PB1, {120, 720, 8655, 375});
}

void MainView::buildGridAndFrames()
{
    m_grid = new FlexDbView(m_form.FlexDb, m_client);
    place(m_grid, QStringLiteral("FlexDb"), {120, 1080, 8655, 3615});
    m_grid->setVisible(m_form.FlexDb.visible());

    CaptionFrame* info = addFrame(m_form.FrameInfo, {480, 1680, 7935, 1095});
    addLabel(m_form.lblinfo, info, {120, 240, 7695, 735}, formFont(kInfoPoints, true));
    CaptionFrame* banner = addFrame(m_form.Frame1, {480, 2880, 7935, 735});
    addLabel(m_form.Label5, banner, {120, 240, 7695, 375}, formFont(kInfoPoints, true));

    QLabel* verdict = addLabel(m_form.lblEsito, m_client, {120, 4700, 8655, 495},
                               formFont(kVerdictPoints, true), Qt::AlignHCenter | Qt::AlignTop);
    verdict->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    verdict->setLineWidth(1);
    addListBox(m_form.ListFile, {8040, 5040, 495, 450});
}

void MainView::buildProgramLabels()
{
    const QFont bold = formFont(kLabelPoints, true);
    addLabel(m_form.Label2, m_client, {120, 5280, 3375, 375}, bold);
    addLabel(m_form.Label8, m_client, {120, 5640, 2775, 375}, bold);
    addLabel(m_form.lblVerProgLocale, m_client, {2880, 5640, 1095, 375}, bold);
    addLabel(m_form.Label6, m_client, {4200, 5640, 2895, 375}, bold);
    addLabel(m_form.lblVerProgDashmoor, m_client, {6600, 5640, 1095, 375}, bold);
    addLine({120, 6000, 8760 - 120, 0});
}

void MainView::buildButtons()
{
    QStyle* s = style();
    addButton(m_form.CommandAggiungiProvvigione, {120, 6240, 1455, 735},
              s->standardIcon(QStyle::SP_FileDialogContentsView));
    addButton(m_form.Cmd, {1680, 6240, 1695, 735}, s->standardIcon(QStyle::SP_FileDialogNewFolder));
    addButton(m_form.cmdNuovaVer, {3480, 6240, 2055, 735}, s->standardIcon(QStyle::SP_ArrowDown));
    addButton(m_form.cmdInstallaLib, {5640, 6240, 1695, 735},
              s->standardIcon(QStyle::SP_DriveHDIcon));
    addButton(m_form.cmdClose, {7440, 6240, 1335, 735},
              QIcon(QStringLiteral(":/icons/chiudi.png")));
}

void MainView::setTabOrder()
{
    QWidget* previous = nullptr;
    for (const char* name : {"cmdClose", "FlexDb", "CommandAggiungiProvvigione", "Cmd",
                             "cmdNuovaVer", "cmdInstallaLib"}) {
        QWidget* next = controlWidget(QLatin1String(name));
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

void MainView::place(QWidget* widget, const QString& name, QRect twips)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsToPixels(twips));
    m_widgets.insert(name, widget);
}

QLabel* MainView::addLabel(Control& control, QWidget* parent, QRect twips, QFont font,
                           Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    bindLabel(control, label, twips, font, alignment);
    return label;
}

void MainView::bindLabel(Control& control, QLabel* label, QRect twips, QFont font,
                         Qt::Alignment alignment)
{
    label->setFont(font);
    label->setAlignment(alignment);
    // Captions are data (versions, verdicts), never markup; long ones wrap.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    place(label, control.name(), twips);
    connect(&control, &Control::changed, label, [&control, label] { paintLabel(control, label); });
    connect(&control, &Control::broughtToFront, label, &QWidget::raise);
    paintLabel(control, label);
}

CaptionFrame* MainView::addFrame(Control& control, QRect twips)
{
    auto* frame = new CaptionFrame(m_client);
    frame->setFont(formFont(kFramePoints, true));
    place(frame, control.name(), twips);
    connect(&control, &Control::changed, frame, [&control, frame] { paintFrame(control, frame); });
    connect(&control, &Control::broughtToFront, frame, &QWidget::raise);
    paintFrame(control, frame);
    return frame;
}

PictureButton* MainView::addButton(Control& control, QRect twips, const QIcon& picture)
{
    auto* button = new PictureButton(m_client);
    button->setFont(formFont(kButtonPoints));
    button->setPicture(picture);
    place(button, control.name(), twips);
    connect(button, &QPushButton::clicked, &control, &Control::click);
    connect(&control, &Control::changed, button,
            [&control, button] { paintButton(control, button); });
    connect(&control, &Control::broughtToFront, button, &QWidget::raise);
    paintButton(control, button);
    return button;
}

void MainView::addProgressBar(ProgressBarControl& control, QRect twips)
{
    auto* bar = new QProgressBar(m_client);
    bar->setTextVisible(false);
    place(bar, control.name(), twips);
    connect(&control, &Control::changed, bar, [&control, bar] { paintProgressBar(control, bar); });
    paintProgressBar(control, bar);
}

void MainView::addListBox(ListBoxControl& control, QRect twips)
{
    auto* list = new QListWidget(m_client);
    list->setFont(formFont(kButtonPoints));
    list->setFocusPolicy(Qt::NoFocus);
    place(list, control.name(), twips);
    connect(&control, &Control::changed, list, [&control, list] { paintListBox(control, list); });
    paintListBox(control, list);
}

void MainView::addLine(QRect twips)
{
    auto* line = new QFrame(m_client);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(kLineWidth);
    QRect px = twipsToPixels(twips);
    // The line's pen is centred on its y: one pixel above it, one on it.
    px.setTop(px.top() - kLineWidth / 2);
    px.setHeight(kLineWidth);
    px.setWidth(px.width() + 1);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(px);
    m_widgets.insert(line->objectName(), line);
}

void MainView::applyWindowState()
{
    setWindowTitle(m_form.title());
    m_client->setEnabled(m_form.enabled());
}

void MainView::showCentred()
{
    if (m_shownOnce) {
        show();
        raise();
        activateWindow();
        return;
    }
    m_shownOnce = true;
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    if (screen) move(area.center() - rect().center());
    show();
    // Once shown the frame's size is known: centre the frame, not the client area.
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        if (frame.topLeft() != pos()) move(frame.topLeft());
    }
    raise();
    activateWindow();
    // The first control in the tab order takes the focus.
    controlWidget(QStringLiteral("cmdClose"))->setFocus(Qt::OtherFocusReason);
}

void MainView::closeEvent(QCloseEvent* event)
{
    // The close handler ends the program; the view never closes on its own.
    // While an operation runs the window takes no input, the close button
    // included, so a half-done update is never cut short from here.
    event->ignore();
    if (m_form.enabled()) m_form.requestClose();
}

} // namespace corvane::gui
