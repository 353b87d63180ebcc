CREATE TABLE "Strano]Nome" ("Id" int);
INSERT INTO "Strano]Nome" VALUES (5);
