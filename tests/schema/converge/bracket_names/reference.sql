-- "]" inside names: brackets have no escape on the embedded engine.
CREATE TABLE "Strano]Nome" ("Id" int, "Campo]X" int DEFAULT (7));
CREATE TABLE "Altro]T" ("Id""q" int);
CREATE INDEX "IX]Altro" ON "Altro]T" ("Id""q");
