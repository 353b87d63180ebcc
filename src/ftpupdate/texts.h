#pragma once

#include <QString>

// The fixed texts of the program update: message boxes, titles, progress lines
// and the names of the files on the update server.
namespace corvane::ftptext {

inline const QString NoInternet = QStringLiteral("Non ce una connessione ad Internet!!");
inline const QString NoInternetTitle = QStringLiteral("Errore!!");
inline const QString ServerNotFound = QStringLiteral("Server FTP non trovato!");
inline const QString ServerNotFoundTitle = QStringLiteral("Percorso Sbagliato!!");
inline const QString NoUpdates = QStringLiteral("Non ci sono Aggiornamenti disponibili !");
inline const QString NoUpdatesTitle = QStringLiteral("Aggiornamenti");
inline const QString FtpError = QStringLiteral("Errore Connessione FTP");
inline const QString FtpErrorTitle = QStringLiteral("Attenzione!");

inline const QString None = QStringLiteral("Nessuna");

inline const QString AlreadyUpToDate = QStringLiteral(
    "Il Programma è Già Aggiornato all'Ultima Versione!!\r\n\r\nContinuare ugualmente?");
inline const QString AlreadyUpToDateTitle = QStringLiteral("Attenzione");
inline const QString DownloadCaption = QStringLiteral("Scarica Versione EXE Programma");
inline const QString CheckingCaption = QStringLiteral("Controllo Versione Programma!!");
inline const QString FetchingCaption = QStringLiteral("Scarico Nuova Versione Programma! (");
inline const QString ExecutableInUse = QStringLiteral(
    "NON POSSO AGGIORNARE L'ESEGUIBILE DI CORVANE PERCHE' IL PROGRAMMA E' APERTO IN QUALCHE PC!!");
inline const QString ExecutableInUseTitle = QStringLiteral("ATTENZIONE!");

// Files of the program folder and of the distribution folder.
inline const QString VersionFile = QStringLiteral("VERSIONE.TXT");
inline const QString UpdaterVersionFile = QStringLiteral("VERSIONEUPDATE.TXT");
inline const QString UpdaterExe = QStringLiteral("CORVANEUPDATE.EXE");
inline const QString PublishedExe = QStringLiteral("CORVANE.EXE");
inline const QString LocalExe = QStringLiteral("Corvane.exe");
inline const QString TempExe = QStringLiteral("Corvane_Temp.exe");
inline const QString Package32 = QStringLiteral("SQLSERVER2005_BC.MSI");
inline const QString Package64 = QStringLiteral("SQLSERVER2005_BC_X64.MSI");

} // namespace corvane::ftptext
