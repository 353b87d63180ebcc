-- Lookup tables, the same on both sides.
CREATE TABLE [AlberoCategorie] ([ID] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL, [IDPadre] [int] NULL, [IDCalcolaListino] [int] NULL);
CREATE TABLE [Causali] ([IDCausale] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL, [ValorizzazioneMagazzino] [int] NULL);
CREATE TABLE [Iva] ([IdIva] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL, [Aliquota] [decimal] (5, 2) NULL, [Note] [varchar] (200) NULL);
CREATE TABLE [NumerazioneDocumenti] ([ID] INTEGER PRIMARY KEY AUTOINCREMENT, [NomeContatore] [varchar] (30) NULL, [Sezionale] [varchar] (5) NULL, [Numerazione] [varchar] (10) NULL, [Anno] [smallint] NULL);
CREATE TABLE [Parametri] ([IDParametro] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (100) NULL, [Valore] [varchar] (50) NULL, [Note] [varchar] (200) NULL);
CREATE TABLE [TipiDocumento] ([IDTipoDocumento] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL, [NomeContatore] [varchar] (30) NULL, [ValorizzazioneMagazzino] [int] NULL, [trasporto] [bit] NULL, [Riepilogativa] [bit] NULL, [Contabile] [bit] NULL, [IDTipiSoggetto] [char] (2) NULL, [AggiornaGiacenza] [bit] NULL, [IDTipoDocsorgente] [int] NULL, [Copie] [int] NULL, [Report] [varchar] (50) NULL, [ECBrellomix] [int] NULL);
CREATE TABLE [TipiPagamento] ([IDTipoPagamento] [int] NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL, [FineMese] [bit] NULL, [Giorni] [int] NULL);
CREATE TABLE [TipiSoggetti] ([IdTipoSoggetto] [char] (2) NOT NULL PRIMARY KEY, [Descrizione] [varchar] (50) NULL);
CREATE TABLE [InfoAggiornamenti] ([ID] INTEGER PRIMARY KEY AUTOINCREMENT, [Nome] [varchar] (100) NULL, [Data] [datetime] NULL, [Versione] [varchar] (50) NULL);
CREATE VIEW [VProdotto] AS SELECT idProdotto, CodInterno, Descrizione FROM prodotti;
