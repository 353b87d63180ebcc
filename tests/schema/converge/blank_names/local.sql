CREATE TABLE "trail " (x int);
INSERT INTO "trail " VALUES (1);
