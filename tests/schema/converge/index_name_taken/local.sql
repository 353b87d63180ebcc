CREATE TABLE Altra (x int);
CREATE INDEX IX_Comune ON Altra (x);
CREATE TABLE Nuova_IX_Comune (y int);
INSERT INTO Altra VALUES (1);
