CREATE TABLE Articoli (Codice varchar(20) NOT NULL, Descrizione varchar(80), PrezzoUnitario decimal(18, 4));
CREATE VIEW VProdotto AS SELECT 1 AS Uno;
CREATE VIEW VProdotti AS SELECT 1 AS Uno;
CREATE VIEW VListino AS SELECT 1 AS Uno;
