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

// No protected (FTPS) session although the setting asks for one; the
// description from the TLS layer follows.
inline const QString NoSecureConnection = QStringLiteral(
    "Impossibile stabilire una connessione protetta (FTPS) con il server degli aggiornamenti.");
inline const QString NoSecureConnectionTitle = QStringLiteral("Attenzione!");

// An update refused by the checks of the published files: what, then why.
inline const QString Refused = QStringLiteral("Aggiornamento rifiutato: ");
inline const QString RefusedTitle = QStringLiteral("ATTENZIONE!");
inline const QString FileNotSigned =
    QStringLiteral("il file %1 non corrisponde alla firma del produttore.");
inline const QString FileNotAsListed =
    QStringLiteral("il file %1 non corrisponde al manifesto pubblicato dal produttore.");
inline const QString SizeDiffers = QStringLiteral("Ricevuti %1 byte, il manifesto ne indica %2.");
inline const QString HashDiffers = QStringLiteral(
    "L'impronta SHA-256 dei byte ricevuti (%1) è diversa da quella del manifesto (%2).");
inline const QString NotInManifest = QStringLiteral("Il manifesto non elenca questo file.");
inline const QString ManifestMissing =
    QStringLiteral("il manifesto firmato %1 non è presente sul server degli aggiornamenti.");
inline const QString SignatureMissing =
    QStringLiteral("la firma %1 del manifesto non è presente sul server degli aggiornamenti.");
inline const QString OnlySignedUpdates =
    QStringLiteral("Questo programma accetta soltanto aggiornamenti firmati dal produttore.");
inline const QString SignatureInvalid = QStringLiteral("la firma del manifesto %1 non è valida.");
inline const QString SignatureInvalidWhy = QStringLiteral(
    "Il manifesto è stato modificato dopo la firma, oppure è stato firmato con una chiave "
    "diversa da quella del produttore.");
inline const QString ManifestUnreadable = QStringLiteral("il manifesto %1 non è leggibile.");

// Files of the program folder and of the distribution folder.
inline const QString VersionFile = QStringLiteral("VERSIONE.TXT");
inline const QString UpdaterVersionFile = QStringLiteral("VERSIONEUPDATE.TXT");
inline const QString UpdaterExe = QStringLiteral("CORVANEUPDATE.EXE");
inline const QString PublishedExe = QStringLiteral("CORVANE.EXE");
inline const QString LocalExe = QStringLiteral("Corvane.exe");
inline const QString TempExe = QStringLiteral("Corvane_Temp.exe");
inline const QString Package32 = QStringLiteral("SQLSERVER2005_BC.MSI");
inline const QString Package64 = QStringLiteral("SQLSERVER2005_BC_X64.MSI");
// The maker's list of published files and its Ed25519 signature: read by the
// download run, never stored in the program folder.
inline const QString Manifest = QStringLiteral("CORVANE.MANIFEST");
inline const QString ManifestSignature = QStringLiteral("CORVANE.MANIFEST.SIG");

} // namespace corvane::ftptext
