-- A column whose name ends in a blank, on both sides.
CREATE TABLE Fornitori (Id int, "Note " text, " Fax" text);
