-- SQL Server numbers the rows there before.
CREATE TABLE Righe (Nome text, Riga int IDENTITY (1, 1) NOT NULL);
CREATE TABLE Contatori (ID integer PRIMARY KEY AUTOINCREMENT, Nome text,
                        Passo int IDENTITY (100, 10) NOT NULL);
