-- Names with a blank before or after: the grid shows them trimmed.
CREATE TABLE " lead" (x int);
CREATE TABLE "trail " (x int, y int DEFAULT (2));
CREATE VIEW " VBlank" AS SELECT x FROM "trail ";
