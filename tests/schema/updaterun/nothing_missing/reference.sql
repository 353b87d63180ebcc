-- Same schema on both sides: only the rows and the version differ.
CREATE VIEW VProdotti AS SELECT idProdotto, CodInterno FROM prodotti;
INSERT INTO Parametri VALUES (1, 'Versione DataBase', 'v5.0-rc', NULL);
INSERT INTO TipiPagamento VALUES (1, 'Rimessa diretta', 0, 0), (2, 'Bonifico', 1, 30);
INSERT INTO TipiSoggetti VALUES ('CL', 'Cliente');
