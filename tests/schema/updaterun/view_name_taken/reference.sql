-- The customer made a table under the name of a view the maker added later.
CREATE VIEW VProdotti AS SELECT idProdotto, CodInterno FROM prodotti;
CREATE VIEW VRiepilogo AS SELECT IdIva, Aliquota FROM Iva;
CREATE VIEW VTipi AS SELECT IdTipoSoggetto FROM TipiSoggetti;
INSERT INTO Parametri VALUES (1, 'Versione DataBase', '6.1', NULL);
