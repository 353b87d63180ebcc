CREATE TABLE [ Agenti] ([IDAgente] int);
CREATE TABLE [Fornitori ] ([ Nome] varchar(50), [Telefono ] varchar(20), [Email] varchar(80), [Fax] varchar(20));
CREATE VIEW [VRiepilogo ] AS SELECT 1 AS Uno;
