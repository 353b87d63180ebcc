-- The maker's reference database: new tables, columns and views.
CREATE TABLE [prodotti] ([idProdotto] [int] NOT NULL PRIMARY KEY, [CodInterno] [varchar] (20) NULL, [Descrizione] [varchar] (100) NULL, [Categoria] [int] NULL, [IdIva] [int] NULL, [Prezzo] [decimal] (18, 4) NOT NULL DEFAULT (0), [UnitaMisura] [char] (3) NULL DEFAULT ('PZ'));
CREATE TABLE [Soggetti] ([IDSoggetto] [int] NOT NULL PRIMARY KEY, [IdTipoSoggetto] [char] (2) NULL, [RagioneSociale] [varchar] (100) NULL, [Email] [varchar] (120) NULL, [PartitaIva] [varchar] (16) NULL);
.read lookup.sql
CREATE TABLE [Commesse] ([IDCommessa] [int] NOT NULL PRIMARY KEY, [IDSoggetto] [int] NOT NULL, [Descrizione] [varchar] (200) NULL, [DataApertura] [datetime] NULL, [Chiusa] [bit] NOT NULL DEFAULT (0));
CREATE INDEX [IX_Commesse_Soggetto] ON [Commesse] ([IDSoggetto]);
CREATE TABLE [Magazzini] ([IDMagazzino] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL);
CREATE VIEW [VProdotti] AS SELECT p.idProdotto, p.Descrizione, p.Prezzo, i.Aliquota FROM prodotti p LEFT JOIN Iva i ON i.IdIva = p.IdIva;
CREATE VIEW [VClienti] AS SELECT IDSoggetto, RagioneSociale, Email FROM Soggetti WHERE IdTipoSoggetto = 'CL';
CREATE VIEW [VCommesseAperte] AS SELECT IDCommessa, Descrizione FROM Commesse WHERE Chiusa = 0;
INSERT INTO Parametri VALUES (1, 'Versione database', '2.1', 'versione dello schema');
INSERT INTO Parametri VALUES (2, 'Nome azienda', 'Nome dell''azienda', 'ragione sociale in stampa');
INSERT INTO Parametri VALUES (3, 'Decimali prezzi', '4', 'cifre decimali dei prezzi');
INSERT INTO Causali VALUES (1, 'Vendita', -1), (2, 'Acquisto', 1), (3, 'Reso da cliente', 1);
INSERT INTO Iva VALUES (22, 'Aliquota ordinaria', 22.00, NULL), (10, 'Aliquota ridotta', 10.00, NULL), (4, 'Aliquota minima', 4.00, NULL);
INSERT INTO NumerazioneDocumenti (NomeContatore, Sezionale, Numerazione, Anno) VALUES ('FATTURE', '', '120', 2025), ('FATTURE', 'B', '7', 2025), ('DDT', '', '88', 2025);
INSERT INTO TipiDocumento VALUES (1, 'Fattura', 'FATTURE', -1, 0, 0, 1, 'CL', 1, NULL, 2, 'fattura.rpt', 7), (2, 'Documento di trasporto', 'DDT', -1, 1, 0, 0, 'CL', 1, NULL, 1, 'ddt.rpt', 7);
INSERT INTO TipiPagamento VALUES (1, 'Rimessa diretta', 0, 0), (2, 'Bonifico 30 gg f.m.', 1, 30);
INSERT INTO TipiSoggetti VALUES ('CL', 'Cliente'), ('FO', 'Fornitore'), ('AG', 'Agente');
