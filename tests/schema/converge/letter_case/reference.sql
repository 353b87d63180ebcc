-- The customer's table differs in the case of a letter beyond ASCII.
CREATE TABLE "Città" (Nome text, Provincia char(2));
