CREATE TABLE Prodotti (Codice varchar(20), Prezzo decimal(18, 4), Iva int, Extra int);
CREATE TABLE Zone (IDZona int, Nome varchar(40));
CREATE VIEW VProdotto AS SELECT 1 AS Uno;
CREATE VIEW VProdotti AS SELECT 1 AS Uno;
