-- Defaults the engine does not take as constant, for a table with rows.
CREATE TABLE Eventi (Id int, Quando datetime DEFAULT (CURRENT_TIMESTAMP),
                     Registrato datetime NOT NULL DEFAULT (GETDATE()),
                     Nota text NOT NULL DEFAULT ('nessuna'));
CREATE INDEX IX_Eventi ON Eventi (Id);
