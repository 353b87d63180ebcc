CREATE TABLE Prodotti (Codice varchar(20));
CREATE VIEW VProdotto AS SELECT Codice FROM Prodotti;
CREATE VIEW vprodotti AS SELECT Codice FROM Prodotti;
CREATE VIEW VOrdini AS SELECT 1 AS Uno;
CREATE VIEW VClienti AS SELECT 1 AS Uno;
