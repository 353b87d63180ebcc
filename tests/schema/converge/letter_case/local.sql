CREATE TABLE "CITTÀ" (Nome text);
INSERT INTO "CITTÀ" VALUES ('Roma'), ('Milano');
