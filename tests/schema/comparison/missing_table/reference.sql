CREATE TABLE Clienti (IDCliente int NOT NULL PRIMARY KEY, RagioneSociale varchar(80), Citta varchar(40));
CREATE TABLE Ordini (IDOrdine int NOT NULL PRIMARY KEY, IDCliente int, Totale decimal(18, 4));
