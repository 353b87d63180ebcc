-- Index names are per table on SQL Server, per database here.
CREATE TABLE Nuova (Id int, Codice text);
CREATE INDEX IX_Comune ON Nuova (Codice);
CREATE UNIQUE INDEX IX_Unico ON Nuova (Id);
