#pragma once

// A customer's Corvane database one release behind the maker's, as the two
// TDS test servers answer for it. Reference "Corvane" (version 2.1): tables
// Clienti (Codice, RagioneSociale, Email), Commesse (every column family,
// identity, defaults, a key) and Parametri; view VCommesseAperte. Local
// "Locale" (version 2.0): Clienti without Email, Parametri, the views
// VProdotto and VProdotti. Each local lookup answers "missing" until the
// statement that creates the object has arrived, and "there" after it, so a
// whole update run can be played through. The lookup tables of the default
// rows are answered too, though the comparison does not list them.

#include "support/tdstestserver.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariantList>

namespace corvane::test {

// The customer's firm as soggetti row 1 holds it, and as the update log names it.
inline const QString kCustomer = QStringLiteral("l'Antica Pizzeria di Città ");
inline const QString kCustomerLogged = QStringLiteral("L'ANTICA PIZZERIA DI CITTÀ");

QList<TdsRule> referenceRules();
// failOn: a regular expression; the first local statement it matches gets a
// server error (2714, "There is already an object named ..."). emptyLookups:
// the lookup tables Iva, prodotti and TipiDocumento are empty too, so the
// default rows copy into every table.
QList<TdsRule> localRules(const QString& failOn = QString(), bool emptyLookups = false);

// The catalogue queries of the schema component, and rows for their answers.
inline const QString kCollationSql =
    QStringLiteral("SELECT CONVERT(nvarchar(128), DATABASEPROPERTYEX(DB_NAME(), 'Collation'))");
inline const QString kVersionSql =
    QStringLiteral("SELECT CONVERT(nvarchar(128), SERVERPROPERTY('ProductVersion'))");
inline const QString kDatabasesSql =
    QStringLiteral("SELECT name FROM sys.databases WHERE UPPER(name) = UPPER(@P1)");
inline const QString kColumnsLike = QStringLiteral(R"(SELECT c\.name, .* FROM sys\.columns c .*)");
inline const QString kKeysLike = QStringLiteral(R"(SELECT i\.index_id, .* FROM sys\.indexes i .*)");
inline const QString kTablesLike =
    QStringLiteral(R"(SELECT o\.object_id, s\.name, o\.name FROM sys\.tables o .*)");
inline const QString kViewsLike =
    QStringLiteral(R"(SELECT o\.object_id, s\.name, o\.name FROM sys\.views o .*)");
inline const QString kDefinitionSql = QStringLiteral("SELECT OBJECT_DEFINITION(@P1)");

// The columns of the sys.columns and sys.indexes answers.
QList<QPair<QString, QString>> catalogueColumns();
QList<QPair<QString, QString>> catalogueKeys();
// One sys.columns row: name, type, max_length in bytes, precision, scale, nullable.
QVariantList catalogueColumn(const QString& name, const QString& type, int bytes, int precision,
                             int scale, bool nullable, const QVariant& collation = {});
QVariantList withDefault(QVariantList row, const QString& constraint, bool systemNamed,
                         const QString& definition);
QVariantList withIdentity(QVariantList row, qint64 seed, qint64 increment);
// The database's collation, as the component asks for it.
TdsRule collationRule(const QString& collation);
// The object a sys.tables or sys.views lookup finds for that name.
TdsRule objectRule(const QString& like, int id, const QString& name);
// The database lookup of a server object, finding the database.
TdsRule databaseRule(const QString& name);

} // namespace corvane::test
