#pragma once

#include <QString>

// The fixed texts of the schema update run.
namespace corvane::updatetext {

inline const QString Connected = QStringLiteral("DB CONNESSO");
inline const QString NotConnected = QStringLiteral("Il Database non Connesso!!");
inline const QString NotConnectedTitle = QStringLiteral("Attenzione!!");

inline const QString CreatingTables = QStringLiteral("Creo le Tabelle che non Sono Aggiornate");
inline const QString SeedingCaption = QStringLiteral("Aggiorno Campi DataBase");
inline const QString RecheckCaption = QStringLiteral("Aggiorno Versione DataBase");
inline const QString VersionCheckCaption = QStringLiteral("Controllo Versione DataBase");
inline const QString AllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");

inline const QString Success = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
inline const QString SuccessTitle = QStringLiteral("OK");

inline const QString ErrorPrefix = QStringLiteral("ERRORE !!\r\n\r\n");
inline const QString ErrorTitle = QStringLiteral("ATTENZIONE");

inline const QString LibraryMissing =
    QStringLiteral("Non ci sono Alcune librerie Installate Necessarie per Continuare!!\r\n\r\n"
                   "Eseguire prima l'aggiornamento del Programma");
inline const QString LibraryMissingTitle = QStringLiteral("Attenzione!");

inline const QString NoVersion = QStringLiteral("Nessuna");
inline const QString ReferenceVersionQuery =
    QStringLiteral("Select Valore FROM Parametri where IDParametro = 1");

} // namespace corvane::updatetext
