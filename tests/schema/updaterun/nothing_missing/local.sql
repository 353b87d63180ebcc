CREATE VIEW VProdotti AS SELECT idProdotto, CodInterno FROM prodotti;
INSERT INTO Parametri VALUES (1, 'Versione DataBase', 'V4.9', 'locale');
INSERT INTO prodotti VALUES (0, 'MIO0', 'Prodotto del cliente', 1, 22, 9.5);
