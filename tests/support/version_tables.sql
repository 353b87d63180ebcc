-- The tables the database version check reads and writes, in both databases:
-- the version row, the firm's name, and the log of versions installed (its
-- last column is one the check must leave to its default).
CREATE TABLE Parametri (IDParametro INTEGER PRIMARY KEY, Descrizione TEXT, Valore TEXT, Note TEXT);
CREATE TABLE soggetti (IDsoggetto INTEGER PRIMARY KEY, RagioneSociale TEXT, IdTipoSoggetto TEXT);
CREATE TABLE InfoAggiornamenti (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nome TEXT, Data TEXT,
                                Versione TEXT, Extra TEXT DEFAULT 'x');
