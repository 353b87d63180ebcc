-- The maker's database: two tables, two columns and two views ahead of the customer.
CREATE TABLE Clienti (IDCliente integer PRIMARY KEY, RagioneSociale varchar(100),
                      Sconto decimal(18, 4) NOT NULL DEFAULT (0), Citta varchar(50));
CREATE TABLE Ordini (IDOrdine integer PRIMARY KEY, IDCliente int NOT NULL,
                     Data datetime, Totale decimal(18, 2) DEFAULT (0));
CREATE INDEX IX_Ordini_Cliente ON Ordini (IDCliente);
CREATE VIEW VProdotti AS SELECT idProdotto, CodInterno FROM prodotti;
CREATE VIEW VOrdiniClienti AS
    SELECT o.IDOrdine, c.RagioneSociale FROM Ordini o JOIN Clienti c ON c.IDCliente = o.IDCliente;
INSERT INTO Clienti VALUES (1, 'Riferimento', 5, 'Roma');
INSERT INTO AlberoCategorie VALUES (0, 'Radice', 0, 0);
INSERT INTO Causali VALUES (1, 'Vendita', 1), (2, 'Acquisto', -1);
INSERT INTO Iva VALUES (22, 'Ordinaria', 22, NULL);
INSERT INTO NumerazioneDocumenti (NomeContatore, Sezionale, Numerazione, Anno)
    VALUES ('FATTURE', 'A', '10', 2020), ('FATTURE', 'B', '3', 2021);
INSERT INTO Parametri VALUES (1, 'Versione DataBase', '4.2.b', NULL),
                             (5, 'Giorni scadenza', '30', 'predefinito');
INSERT INTO TipiDocumento VALUES (1, 'Fattura', 'FATTURE', 1, 0, 0, 1, 'CL', -1, NULL, 2, 'f.rpt', 1);
INSERT INTO TipiPagamento VALUES (1, 'Rimessa diretta', 0, 0);
INSERT INTO TipiSoggetti VALUES ('CL', 'Cliente'), ('FO', 'Fornitore');
