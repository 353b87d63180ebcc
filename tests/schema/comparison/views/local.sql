CREATE TABLE Prodotti (Codice varchar(20));
CREATE VIEW VProdotto AS SELECT Codice FROM Prodotti;
CREATE VIEW VClienti AS SELECT 1 AS Uno;
CREATE VIEW VSoloLocale AS SELECT 1 AS Uno;
