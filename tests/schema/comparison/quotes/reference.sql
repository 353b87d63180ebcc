CREATE TABLE [Dell'Anno] ([ID] int, [L'Importo] decimal(18, 4));
CREATE TABLE [Nota'] ([Testo] text);
CREATE VIEW [V'Anno] AS SELECT 1 AS Uno;
CREATE VIEW [VAll''Ingrosso] AS SELECT 1 AS Uno;
