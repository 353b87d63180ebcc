#pragma once

#include "controls.h"
#include "flexgrid.h"

#include <QObject>

namespace corvane {

// The controls of FormMain as the program reads and writes them, under the
// program's own names. The Qt view paints them; the handlers live in FormMain
// and in the subsystems.
class FormState : public QObject
{
    Q_OBJECT
public:
    explicit FormState(QObject* parent = nullptr);

    // The window itself.
    const QString& title() const { return m_title; }
    void setTitle(const QString& title);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool shown() const { return m_shown; }
    void show(); // modeless
    // The title-bar close button, used while the window takes input.
    void requestClose() { emit closeRequested(); }

    Control Label1{QStringLiteral("Label1"), QStringLiteral("Controllo Versione Database")};
    Control lblConnesso{QStringLiteral("lblConnesso"), QStringLiteral("Connesso")};
    Control Label3{QStringLiteral("Label3"), QStringLiteral("Versione DB Installata")};
    Control lblBDLocale{QStringLiteral("lblBDLocale"), QStringLiteral("9.9.9")};
    Control Label4{QStringLiteral("Label4"), QStringLiteral("Ultima Versione DB")};
    Control lblDBDashmoor{QStringLiteral("lblDBDashmoor"), QStringLiteral("9.9.9")};
    ProgressBarControl PB1{QStringLiteral("PB1")};
    FlexGrid FlexDb{2, 3};
    Control FrameInfo{QStringLiteral("FrameInfo"), QStringLiteral("INFO")};
    Control lblinfo{QStringLiteral("lblinfo"), QStringLiteral("Label5")};
    Control Frame1{QStringLiteral("Frame1"), QStringLiteral("INFO")};
    Control Label5{QStringLiteral("Label5"),
                   QStringLiteral("Aggiornamenti Automatici in Corso ...")};
    Control lblEsito{QStringLiteral("lblEsito"), QStringLiteral("Label2")};
    ListBoxControl ListFile{QStringLiteral("ListFile")};
    Control Label2{QStringLiteral("Label2"), QStringLiteral("Controllo Versione Programma")};
    Control Label8{QStringLiteral("Label8"), QStringLiteral("Versione Prog.  Installata")};
    Control lblVerProgLocale{QStringLiteral("lblVerProgLocale"), QStringLiteral("9.9.9")};
    Control Label6{QStringLiteral("Label6"), QStringLiteral("Ultima Versione Prog.")};
    Control lblVerProgDashmoor{QStringLiteral("lblVerProgDashmoor"), QStringLiteral("9.9.9")};
    Control CommandAggiungiProvvigione{QStringLiteral("CommandAggiungiProvvigione"),
                                       QStringLiteral("Controlla Database ")};
    Control Cmd{QStringLiteral("Cmd"), QStringLiteral("Crea Tabelle o Campi Mancanti")};
    Control cmdNuovaVer{QStringLiteral("cmdNuovaVer"),
                        QStringLiteral("Scarica Nuova Versione del Programma")};
    Control cmdInstallaLib{QStringLiteral("cmdInstallaLib"),
                           QStringLiteral("Installa Librerie per Aggiornamenti")};
    Control cmdClose{QStringLiteral("cmdClose"), QStringLiteral("Chiudi")};
    TimerControl Timer1{QStringLiteral("Timer1"), 2000};

    // The 167-character format string of FlexDb's header row.
    static QString flexDbFormat();

signals:
    void changed();
    void showRequested();
    void closeRequested();

private:
    QString m_title = QStringLiteral("Corvane Update");
    bool m_enabled = true;
    bool m_shown = false;
};

} // namespace corvane
