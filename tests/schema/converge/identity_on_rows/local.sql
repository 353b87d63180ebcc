CREATE TABLE Righe (Nome text);
INSERT INTO Righe VALUES ('a'), ('b'), ('c');
CREATE TABLE Contatori (ID integer PRIMARY KEY AUTOINCREMENT, Nome text);
INSERT INTO Contatori (Nome) VALUES ('x'), ('y'), ('z');
DELETE FROM Contatori WHERE Nome = 'z';
