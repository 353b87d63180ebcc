-- The ten lookup tables as the application declares them, and the view the
-- comparison always looks for; both databases start from them. Some columns
-- are left alone by the default rows (NumerazioneDocumenti.ID, prodotti.Prezzo,
-- Soggetti.Citta): a row written without column names fails.
CREATE TABLE AlberoCategorie (ID int NOT NULL, Descrizione varchar(50), IDPadre int,
                              IDCalcolaListino int);
CREATE TABLE Causali (IDCausale int NOT NULL, Descrizione varchar(50),
                      ValorizzazioneMagazzino smallint);
CREATE TABLE Iva (IdIva int NOT NULL, Descrizione varchar(50), Aliquota decimal(18, 2),
                  Note varchar(100));
CREATE TABLE NumerazioneDocumenti (ID integer PRIMARY KEY, NomeContatore varchar(30),
                                   Sezionale varchar(5), Numerazione varchar(10), Anno smallint);
CREATE TABLE Parametri (IDparametro int NOT NULL, Descrizione varchar(100), Valore varchar(50),
                        Note varchar(200));
CREATE TABLE prodotti (idProdotto int NOT NULL, CodInterno varchar(20), Descrizione varchar(100),
                       Categoria int, IdIva int, Prezzo decimal(18, 4) DEFAULT 0);
CREATE TABLE Soggetti (IDSoggetto int NOT NULL, IdTipoSoggetto varchar(2),
                       RagioneSociale varchar(100), Citta varchar(50));
CREATE TABLE TipiDocumento (IDTipoDocumento int NOT NULL, Descrizione varchar(50),
                            NomeContatore varchar(30), ValorizzazioneMagazzino smallint,
                            trasporto bit, Riepilogativa bit, Contabile bit,
                            IDTipiSoggetto varchar(2), AggiornaGiacenza smallint,
                            IDTipoDocsorgente int, Copie smallint, Report varchar(50),
                            ECBrellomix bit);
CREATE TABLE TipiPagamento (IDTipoPagamento int NOT NULL, Descrizione varchar(50), FineMese bit,
                            Giorni smallint);
CREATE TABLE TipiSoggetti (IdTipoSoggetto varchar(2) NOT NULL, Descrizione varchar(50));
CREATE VIEW VProdotto AS SELECT idProdotto, Descrizione FROM prodotti;
