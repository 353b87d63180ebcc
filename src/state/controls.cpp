#include "controls.h"

#include <algorithm>

namespace corvane {

Control::Control(QString name, QString caption, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_caption(std::move(caption))
{
}

void Control::setCaption(const QString& caption)
{
    if (caption == m_caption) return;
    m_caption = caption;
    emit changed();
}

void Control::setForeColour(int colour)
{
    if (colour == m_foreColour) return;
    m_foreColour = colour;
    emit changed();
}

void Control::setBackColour(int colour)
{
    if (colour == m_backColour) return;
    m_backColour = colour;
    emit changed();
}

void Control::setVisible(bool visible)
{
    if (visible == m_visible) return;
    m_visible = visible;
    emit changed();
}

void Control::setEnabled(bool enabled)
{
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    emit changed();
}

void Control::bringToFront()
{
    emit broughtToFront();
}

void ListBoxControl::clear()
{
    m_items.clear();
    m_listIndex = -1;
    emit changed();
}

void ListBoxControl::addItem(const QString& item)
{
    m_items.append(item);
    emit changed();
}

const QString& ListBoxControl::list(int i) const
{
    return m_items.at(i);
}

void ListBoxControl::setListIndex(int index)
{
    m_listIndex = (index >= 0 && index < listCount()) ? index : -1;
    emit changed();
}

void ProgressBarControl::setMin(int v)
{
    m_min = v;
    m_max = std::max(m_max, m_min);
    m_value = std::clamp(m_value, m_min, m_max);
    emit changed();
}

void ProgressBarControl::setMax(int v)
{
    m_max = v;
    m_min = std::min(m_min, m_max);
    m_value = std::clamp(m_value, m_min, m_max);
    emit changed();
}

void ProgressBarControl::setValue(int v)
{
    const int clamped = std::clamp(v, m_min, m_max);
    if (clamped == m_value) return;
    m_value = clamped;
    emit changed();
}

TimerControl::TimerControl(QString name, int intervalMs, QObject* parent)
    : Control(std::move(name), {}, parent), m_interval(intervalMs)
{
}

} // namespace corvane
