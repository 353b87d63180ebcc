#include "switches.h"

namespace corvane {

namespace {

bool given(const QStringList& arguments, QLatin1StringView name)
{
    for (const QString& a : arguments)
        if (a.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

bool automaticRequested(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' ')).toUpper().contains(QStringLiteral("/A"));
}

RunSwitches parseSwitches(const QStringList& arguments)
{
    RunSwitches s;
    s.automatic = automaticRequested(arguments);
    // Whole arguments only: a path such as C:/Quadri/x is not a switch.
    s.quiet = given(arguments, QLatin1StringView("/Q"));
    s.preview = given(arguments, QLatin1StringView("/P"));
    s.help =
        given(arguments, QLatin1StringView("--help")) || given(arguments, QLatin1StringView("/?"));
    s.version = given(arguments, QLatin1StringView("--version"));
    return s;
}

QString usageText(const QString& programName)
{
    return QStringLiteral(
               "Uso: %1 [/A] [/Q] [/P]\n"
               "\n"
               "Aggiorna il database e i file del programma Corvane della cartella in cui si "
               "trova.\n"
               "Senza opzioni apre la finestra.\n"
               "\n"
               "  /A          aggiornamento automatico: confronta il database, scarica la nuova\n"
               "              versione del programma, aggiorna il database, avvia Corvane.exe\n"
               "  /Q          silenzioso: nessun messaggio a video; ogni messaggio e l'esito\n"
               "              finale vanno sull'output standard, una riga JSON ciascuno.\n"
               "              Senza /A è solo un controllo: confronto del database e della\n"
               "              versione del programma, senza alcuna modifica\n"
               "  /P          con /Q: anteprima: il controllo, più una riga JSON per ogni\n"
               "              istruzione che l'aggiornamento del database eseguirebbe;\n"
               "              nulla viene eseguito\n"
               "  /?, --help  questo aiuto\n"
               "  --version   la versione del programma\n"
               "\n"
               "Codici di uscita:\n"
               "  0  tutto aggiornato: nessuna riga rossa, versione del programma controllata\n"
               "  1  è stato mostrato un messaggio di errore critico\n"
               "  2  l'avvio ha terminato il programma (conf.ini, database, Corvane aperto,\n"
               "     un altro aggiornamento in corso da più di 10 minuti)\n"
               "  3  nessun errore critico, ma resta lavoro da fare (righe rosse, versioni\n"
               "     diverse; nel solo controllo: modifiche in sospeso)\n")
        .arg(programName);
}

QString versionText(const QVersionNumber& version)
{
    return QStringLiteral("CorvaneUpdate %1\n").arg(version.toString());
}

} // namespace corvane
