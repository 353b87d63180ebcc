CREATE TABLE [dbo].[Righe] (
	[IDDocumento] [int] NOT NULL,
	[Riga] [int] IDENTITY (100, 5) NOT NULL,
	[Codice] [char] (10) NOT NULL CONSTRAINT [DF_Righe_Codice] DEFAULT (''),
	[Stato] [nchar] (1) NULL DEFAULT ('N'),
	[Nota] [varchar] (50) NULL DEFAULT ('it''s (ok)'),
	[Quantita] [decimal] (18, 4) NOT NULL DEFAULT ((0)),
	[Data] [datetime] NOT NULL CONSTRAINT [DF_Righe_Data] DEFAULT (getdate()),
	[Importo] AS ([Quantita]*(2)),
	CONSTRAINT [PK_Righe] PRIMARY KEY CLUSTERED ([IDDocumento], [Riga]),
	CONSTRAINT [UQ_Righe_Codice] UNIQUE NONCLUSTERED ([Codice], [Data]),
	UNIQUE NONCLUSTERED ([Nota])
)
GO
