CREATE TABLE Fornitori (Id int, "Note " text, " Fax" text);
INSERT INTO Fornitori VALUES (1, 'n', 'f');
