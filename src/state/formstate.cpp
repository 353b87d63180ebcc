#include "formstate.h"

namespace corvane {

FormState::FormState(QObject* parent) : QObject(parent)
{
    for (Control* label : {&Label1, &Label3, &Label4, &Label2, &Label8, &Label6, &lblEsito})
        label->setForeColour(colour::Black);
    lblConnesso.setForeColour(colour::ConnectedGreen);
    for (Control* version : {&lblBDLocale, &lblDBDashmoor, &lblVerProgLocale, &lblVerProgDashmoor})
        version->setForeColour(colour::Red);
    FrameInfo.setBackColour(colour::LightYellow);
    FrameInfo.setVisible(false);
    Frame1.setBackColour(colour::Red);
    Frame1.setVisible(false);
    Label5.setForeColour(colour::Yellow);
    lblEsito.setBackColour(colour::Yellow);
    ListFile.setVisible(false);
    FlexDb.setFormatString(flexDbFormat());
}

QString FormState::flexDbFormat()
{
    return QStringLiteral("Tabella") + QString(31, QLatin1Char(' ')) + QStringLiteral("|< Campo") +
           QString(35, QLatin1Char(' ')) + QStringLiteral("|<Stato") +
           QString(79, QLatin1Char(' '));
}

void FormState::setTitle(const QString& title)
{
    m_title = title;
    emit changed();
}

void FormState::setEnabled(bool enabled)
{
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    emit changed();
}

void FormState::show()
{
    m_shown = true;
    emit showRequested();
}

} // namespace corvane
