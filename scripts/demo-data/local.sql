-- The customer's database, one release behind the reference.
CREATE TABLE [prodotti] ([idProdotto] [int] NOT NULL PRIMARY KEY, [CodInterno] [varchar] (20) NULL, [Descrizione] [varchar] (100) NULL, [Categoria] [int] NULL, [IdIva] [int] NULL);
CREATE TABLE [Soggetti] ([IDSoggetto] [int] NOT NULL PRIMARY KEY, [IdTipoSoggetto] [char] (2) NULL, [RagioneSociale] [varchar] (100) NULL);
.read lookup.sql
INSERT INTO Parametri VALUES (1, 'Versione database', '2.0', NULL);
INSERT INTO Parametri VALUES (2, 'Nome azienda', 'Ferramenta Bellini', 'vecchia nota');
INSERT INTO Soggetti VALUES (1, 'CL', 'Ferramenta Bellini s.n.c.');
INSERT INTO prodotti VALUES (10, 'VIT-M6', 'Vite M6 zincata', 0, 22);
