CREATE VIEW VProdotti AS SELECT idProdotto, CodInterno FROM prodotti;
CREATE TABLE VRiepilogo (Nota varchar(50));
INSERT INTO VRiepilogo VALUES ('appunti del cliente');
INSERT INTO Parametri VALUES (1, 'Versione DataBase', '6.0', NULL);
