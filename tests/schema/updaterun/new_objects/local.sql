-- The customer's database: older, with data of its own and no version row,
-- and without the lookup table TipiSoggetti, which the run creates and fills.
DROP TABLE TipiSoggetti;
CREATE TABLE Clienti (IDCliente integer PRIMARY KEY, RagioneSociale varchar(100));
INSERT INTO Clienti VALUES (1, 'Bianchi srl'), (2, 'Verdi spa');
INSERT INTO Causali VALUES (9, 'Causale del cliente', 0);
INSERT INTO Parametri VALUES (5, 'vecchia', '45', NULL);
