-- Types SQL Server has and the embedded engine does not: a declared type in
-- brackets is how a reference on the engine holds them.
CREATE TABLE Note (Id int PRIMARY KEY, Testo [nvarchar(max)], Breve [varchar(max)],
                   Allegato [varbinary(max)], Codice uniqueidentifier, Dati xml,
                   Quando [datetime2] (7));
