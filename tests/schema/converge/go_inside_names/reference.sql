-- The batch separator inside a name and inside a string default.
CREATE TABLE "Go
GO
Nome" (x int DEFAULT (7));
CREATE TABLE Stringa (x text DEFAULT ('a
GO
b'));
CREATE TABLE Misto (Id int);
