CREATE TABLE [vendite dept].[Righe Ordine]]x] (
	[Codice Articolo] [varchar] (20) NOT NULL,
	[a]]b] [int] NULL,
	[[x]]] [int] NULL,
	CONSTRAINT [PK Righe]]1] PRIMARY KEY NONCLUSTERED ([Codice Articolo])
)
GO
