-- The maker's default rows.
INSERT INTO AlberoCategorie VALUES (0, 'Radice di riferimento', 0, 0);
INSERT INTO Causali VALUES (1, 'Vendita', 1), (2, 'Acquisto', -1), (3, 'Reso', 1);
INSERT INTO Iva VALUES (22, 'Aliquota ordinaria', 22.0, 'art. 16'), (10, 'Ridotta', 10.0, NULL);
INSERT INTO NumerazioneDocumenti (NomeContatore, Sezionale, Numerazione, Anno) VALUES
    ('FATTURE', 'A', '120', 2019), ('FATTURE', 'B', '7', 2020), ('DDT', '', '55', 2020);
INSERT INTO Parametri VALUES (1, 'Versione DataBase', '3.10.b', 'versione'),
                             (2, 'Magazzino predefinito', 'MAG1', 'nota di riferimento'),
                             (7, 'Decimali prezzi', '2', NULL);
INSERT INTO TipiDocumento VALUES
    (1, 'Fattura', 'FATTURE', 1, 0, 0, 1, 'CL', -1, NULL, 2, 'fattura.rpt', 1),
    (2, 'DDT', 'DDT', -1, 1, 0, 0, 'CL', -1, 1, 1, 'ddt.rpt', 1),
    (1, 'Fattura doppia', 'FATTURE', 1, 0, 0, 1, 'CL', -1, NULL, 2, 'doppia.rpt', 1);
INSERT INTO TipiPagamento VALUES (1, 'Rimessa diretta', 0, 0), (2, 'Bonifico 30 gg FM', 1, 30);
INSERT INTO TipiSoggetti VALUES ('CL', 'Cliente'), ('FO', 'Fornitore');
