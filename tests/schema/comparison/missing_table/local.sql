CREATE TABLE Clienti (IDCliente int NOT NULL PRIMARY KEY, RagioneSociale varchar(80), Citta varchar(40));
