#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace corvane {

// Windows colour numbers: red in the low byte, green in the next, blue in the third.
namespace colour {
inline constexpr int Red = 255;
inline constexpr int Green = 65280;
inline constexpr int ConnectedGreen = 0xC000;
inline constexpr int Yellow = 0x00FFFF;
inline constexpr int LightYellow = 0x80FFFF;
inline constexpr int Black = 0;
inline constexpr int None = -1; // the control's default colour
} // namespace colour

// What the program reads and writes of one control of the window. The view
// paints it and repaints on changed().
class Control : public QObject
{
    Q_OBJECT
public:
    explicit Control(QString name, QString caption = {}, QObject* parent = nullptr);

    const QString& name() const { return m_name; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

    int foreColour() const { return m_foreColour; }
    void setForeColour(int colour);

    int backColour() const { return m_backColour; }
    void setBackColour(int colour);

    bool visible() const { return m_visible; }
    void setVisible(bool visible);

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // ZOrder 0: in front of the other controls.
    void bringToFront();

    // The user clicked the control; FormMain's handler for it runs.
    void click() { emit clicked(); }

signals:
    void changed();
    void broughtToFront();
    void clicked();

private:
    QString m_name;
    QString m_caption;
    int m_foreColour = colour::None;
    int m_backColour = colour::None;
    bool m_visible = true;
    bool m_enabled = true;
};

// The hidden list box the download procedures use as working storage.
class ListBoxControl : public Control
{
    Q_OBJECT
public:
    using Control::Control;

    void clear();
    void addItem(const QString& item);
    int listCount() const { return static_cast<int>(m_items.size()); }
    // Entry i, counted from 0 as the list box does.
    const QString& list(int i) const;
    const QStringList& items() const { return m_items; }
    int listIndex() const { return m_listIndex; }
    void setListIndex(int index);

private:
    QStringList m_items;
    int m_listIndex = -1;
};

class ProgressBarControl : public Control
{
    Q_OBJECT
public:
    using Control::Control;

    int min() const { return m_min; }
    int max() const { return m_max; }
    int value() const { return m_value; }
    void setMin(int v);
    void setMax(int v);
    // Kept within min..max, so a pass over an empty list leaves the bar sane.
    void setValue(int v);

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
};

// Timer1: the view (or the application object) drives a real QTimer from it.
class TimerControl : public Control
{
    Q_OBJECT
public:
    TimerControl(QString name, int intervalMs, QObject* parent = nullptr);
    int interval() const { return m_interval; }

private:
    int m_interval;
};

} // namespace corvane
