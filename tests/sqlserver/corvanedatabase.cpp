#include "corvanedatabase.h"

#include "support/world.h"

namespace corvane::test {

namespace {

using Columns = QList<QPair<QString, QString>>;

const QString kCollation = QStringLiteral("SQL_Latin1_General_CP1_CI_AS");
const QString kLocalVersionWrite =
    QStringLiteral(R"(Update Parametri SET Valore = '2\.1' where IDParametro = 1)");
const QString kCreateCommesse = QStringLiteral(R"(CREATE TABLE \[dbo\]\.\[Commesse\] .*)");
const QString kAddEmail = QStringLiteral(R"(ALTER TABLE \[Clienti\] ADD \[Email\] .*)");
const QString kCreateView = QStringLiteral(R"(CREATE VIEW \[dbo\]\.\[VCommesseAperte\].*)");

TdsRule rows(const QString& sql, const Columns& columns, const QList<QVariantList>& values = {})
{
    TdsRule r = TdsRule::exact(sql).columns(columns);
    for (const QVariantList& row : values)
        r.row(row);
    return r;
}

TdsRule names(const QString& sql, const QString& column, const QStringList& values)
{
    TdsRule r = TdsRule::exact(sql).columns({{column, "sysname"}});
    for (const QString& v : values)
        r.row({v});
    return r;
}

TdsRule stored(const QString& like)
{
    return TdsRule::like(like).rowCount(1);
}

// The comparison's questions, as it asks them.
QString localTable(const QString& table)
{
    return QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = "
                          "'BASE TABLE' and TABLE_NAME='%1' ")
        .arg(table);
}

QString columnsOf(const QString& table)
{
    return QStringLiteral(
               "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = '%1'")
        .arg(table);
}

QString localView(const QString& view)
{
    return QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME='%1' ")
        .arg(view);
}

const QStringList kClientiColumns = {"Codice", "RagioneSociale", "Email"};
const QStringList kCommesseColumns = {"IDCommessa", "Codice", "Descrizione", "Importo",
                                      "Aperta",     "Chiusa", "Note"};
const QStringList kParametriColumns = {"IDParametro", "Descrizione", "Valore", "Note"};

const Columns kParametri = {{"IDParametro", "int"},
                            {"Descrizione", "nvarchar(100)"},
                            {"Valore", "nvarchar(50)"},
                            {"Note", "nvarchar(255)"}};
const Columns kCausali = {
    {"IDCausale", "int"}, {"Descrizione", "nvarchar(50)"}, {"ValorizzazioneMagazzino", "smallint"}};
const Columns kTipiPagamento = {{"IDTipoPagamento", "int"},
                                {"Descrizione", "nvarchar(50)"},
                                {"FineMese", "bit"},
                                {"Giorni", "smallint"}};
const Columns kTipiSoggetti = {{"IdTipoSoggetto", "nvarchar(2)"}, {"Descrizione", "nvarchar(50)"}};
const Columns kIva = {{"IdIva", "int"},
                      {"Descrizione", "nvarchar(50)"},
                      {"Aliquota", "decimal(5,2)"},
                      {"Note", "nvarchar(255)"}};
const Columns kProdotti = {{"idProdotto", "int"},
                           {"CodInterno", "nvarchar(20)"},
                           {"Descrizione", "nvarchar(100)"},
                           {"Categoria", "int"},
                           {"IdIva", "int"}};
const Columns kTipiDocumento = {{"IDTipoDocumento", "int"},
                                {"Descrizione", "nvarchar(50)"},
                                {"NomeContatore", "nvarchar(20)"},
                                {"ValorizzazioneMagazzino", "smallint"},
                                {"trasporto", "bit"},
                                {"Riepilogativa", "bit"},
                                {"Contabile", "bit"},
                                {"IDTipiSoggetto", "nvarchar(2)"},
                                {"AggiornaGiacenza", "bit"},
                                {"IDTipoDocsorgente", "int"},
                                {"Copie", "smallint"},
                                {"Report", "nvarchar(100)"},
                                {"ECBrellomix", "bit"}};

// A view longer than any buffer a driver sizes from its column.
QString viewDefinition()
{
    return QStringLiteral("CREATE VIEW [dbo].[VCommesseAperte]\r\nAS\r\n"
                          "SELECT c.IDCommessa, c.Codice, c.Descrizione, c.Importo, c.Aperta,\r\n"
                          "       k.RagioneSociale AS Cliente, k.Email AS RecapitoCliente,\r\n"
                          "       CASE WHEN c.Importo > 10000 THEN N'Commessa rilevante' "
                          "ELSE N'Commessa ordinaria' END AS Classe,\r\n"
                          "       N'Città: ' + ISNULL(c.Note, N'') AS Annotazioni\r\n"
                          "FROM dbo.Commesse AS c\r\n"
                          "JOIN dbo.Clienti AS k ON k.Codice = c.Codice\r\n"
                          "WHERE c.Chiusa = 0");
}

QList<TdsRule> referenceCatalogue()
{
    TdsRule clienti = TdsRule::like(kColumnsLike).values({"1001"}).columns(catalogueColumns());
    clienti.row(catalogueColumn("Codice", "char", 10, 0, 0, false, kCollation))
        .row(catalogueColumn("RagioneSociale", "nvarchar", 160, 0, 0, true, kCollation))
        .row(catalogueColumn("Email", "nvarchar", 240, 0, 0, true, kCollation));
    TdsRule commesse = TdsRule::like(kColumnsLike).values({"1003"}).columns(catalogueColumns());
    commesse.row(withIdentity(catalogueColumn("IDCommessa", "int", 4, 10, 0, false), 1, 1))
        .row(catalogueColumn("Codice", "char", 10, 0, 0, false, kCollation))
        .row(catalogueColumn("Descrizione", "nvarchar", 200, 0, 0, true, kCollation))
        .row(withDefault(catalogueColumn("Importo", "decimal", 9, 18, 4, false),
                         "DF__Commesse__Impor__1B0907CE", true, "((0))"))
        .row(withDefault(catalogueColumn("Aperta", "datetime", 8, 23, 3, false),
                         "DF_Commesse_Aperta", false, "(getdate())"))
        .row(withDefault(catalogueColumn("Chiusa", "bit", 1, 1, 0, false),
                         "DF__Commesse__Chius__1BFD2C07", true, "((0))"))
        .row(catalogueColumn("Note", "nvarchar", -1, 0, 0, true, kCollation));
    return {databaseRule(QStringLiteral("Corvane")),
            objectRule(kTablesLike, 1001, QStringLiteral("Clienti")).values({"'Clienti'"}),
            objectRule(kTablesLike, 1003, QStringLiteral("Commesse")).values({"'Commesse'"}),
            objectRule(kViewsLike, 2001, QStringLiteral("VCommesseAperte"))
                .values({"'VCommesseAperte'"}),
            collationRule(kCollation),
            clienti,
            commesse,
            TdsRule::like(kKeysLike)
                .values({"1001"})
                .columns(catalogueKeys())
                .row({1, "PK_Clienti", 1, 1, 0, "Codice", 0}),
            TdsRule::like(kKeysLike)
                .values({"1003"})
                .columns(catalogueKeys())
                .row({1, "PK_Commesse", 1, 1, 0, "IDCommessa", 0})
                .row({2, "UQ_Commesse_Codice", 0, 2, 0, "Codice", 0}),
            TdsRule::exact(kDefinitionSql)
                .values({"2001"})
                .columns({{"", "nvarchar(max)"}})
                .row({viewDefinition()})};
}

QList<TdsRule> referenceDefaultRows()
{
    return {rows(QStringLiteral("Select * FROM Causali "), kCausali,
                 {{1, "Vendita", -1}, {2, "Carico da fornitore", 1}}),
            names(QStringLiteral("Select Distinct NomeContatore FROM NumerazioneDocumenti "),
                  QStringLiteral("NomeContatore"), {"DDT", "FATTURE"}),
            rows(QStringLiteral("Select * FROM Parametri "), kParametri,
                 {{1, "Versione database", "2.1", QVariant()},
                  {2, "Intestazione stampe", "S", "Ragione sociale dell'azienda"}}),
            rows(QStringLiteral("Select * FROM Iva "), kIva,
                 {{22, "Aliquota ordinaria", "22.00", QVariant()},
                  {4, "Aliquota minima", "4.00", "alimentari, prima necessità"}}),
            rows(QStringLiteral("Select * FROM TipiDocumento "), kTipiDocumento,
                 {{1, "Fattura accompagnatoria", "FATTURE", -1, 1, 0, 1, "CL", 1, QVariant(), 2,
                   "fattura.rpt", 1}}),
            rows(QStringLiteral("Select * FROM TipiPagamento "), kTipiPagamento,
                 {{1, "Rimessa diretta", 0, 0}}),
            rows(QStringLiteral("Select * FROM TipiSoggetti "), kTipiSoggetti,
                 {{"CL", "Cliente"}, {"L'", "Lavorazione c/terzi"}})};
}

// Missing until the statement that creates it has arrived.
QList<TdsRule> appearsAfter(const QString& sql, const QString& creation, const QStringList& before,
                            const QStringList& after)
{
    return {names(sql, QStringLiteral("TABLE_NAME"), after).after(creation),
            names(sql, QStringLiteral("TABLE_NAME"), before)};
}

QList<TdsRule> localComparison()
{
    QList<TdsRule> r;
    r << names(localTable(QStringLiteral("Clienti")), QStringLiteral("TABLE_NAME"), {"Clienti"})
      << appearsAfter(localTable(QStringLiteral("Commesse")), kCreateCommesse, {}, {"Commesse"})
      << names(localTable(QStringLiteral("Parametri")), QStringLiteral("TABLE_NAME"),
               {"Parametri"});
    r << names(columnsOf(QStringLiteral("Clienti")), QStringLiteral("COLUMN_NAME"), kClientiColumns)
             .after(kAddEmail)
      << names(columnsOf(QStringLiteral("Clienti")), QStringLiteral("COLUMN_NAME"),
               kClientiColumns.mid(0, 2))
      << names(columnsOf(QStringLiteral("Commesse")), QStringLiteral("COLUMN_NAME"),
               kCommesseColumns)
             .after(kCreateCommesse)
      << names(columnsOf(QStringLiteral("Commesse")), QStringLiteral("COLUMN_NAME"), {})
      << names(columnsOf(QStringLiteral("Parametri")), QStringLiteral("COLUMN_NAME"),
               kParametriColumns);
    r << names(localView(QStringLiteral("VProdotto")), QStringLiteral("TABLE_NAME"), {"VProdotto"})
      << names(localView(QStringLiteral("VProdotti")), QStringLiteral("TABLE_NAME"), {"VProdotti"})
      << appearsAfter(localView(QStringLiteral("VCommesseAperte")), kCreateView, {},
                      {"VCommesseAperte"});
    return r;
}

QList<TdsRule> localCatalogue()
{
    TdsRule clienti = TdsRule::like(kColumnsLike).values({"501"}).columns(catalogueColumns());
    clienti.row(catalogueColumn("Codice", "char", 10, 0, 0, false, kCollation))
        .row(catalogueColumn("RagioneSociale", "nvarchar", 160, 0, 0, true, kCollation));
    return {TdsRule::exact(kVersionSql).columns({{"", "nvarchar(128)"}}).row({"10.50.6000.34"}),
            databaseRule(kLocalDatabase),
            objectRule(kTablesLike, 501, QStringLiteral("Clienti")).values({"'Clienti'"}),
            collationRule(kCollation),
            clienti,
            TdsRule::like(kKeysLike)
                .values({"501"})
                .columns(catalogueKeys())
                .row({1, "PK_Clienti", 1, 1, 0, "Codice", 0})};
}

// The local lookup tables; with emptyLookups, Iva, prodotti and TipiDocumento
// hold nothing yet either, so that their copies are made too.
QList<TdsRule> localDefaultRows(bool emptyLookups)
{
    const Columns albero = {{"ID", "int"},
                            {"Descrizione", "nvarchar(50)"},
                            {"IDPadre", "int"},
                            {"IDCalcolaListino", "int"}};
    const Columns numerazione = {{"NomeContatore", "nvarchar(20)"},
                                 {"Sezionale", "nvarchar(5)"},
                                 {"Numerazione", "nvarchar(10)"},
                                 {"Anno", "smallint"}};
    const Columns soggetti = {{"IDSoggetto", "int"},
                              {"IdTipoSoggetto", "nvarchar(2)"},
                              {"RagioneSociale", "nvarchar(80)"}};
    const auto some = [emptyLookups](const QList<QVariantList>& values) {
        return emptyLookups ? QList<QVariantList>() : values;
    };
    return {rows(QStringLiteral("Select * FROM AlberoCategorie where ID = 0"), albero),
            rows(QStringLiteral("Select * FROM Causali "), kCausali),
            rows(QStringLiteral("Select * FROM Iva "), kIva,
                 some({{22, "Aliquota ordinaria", "22.00", QVariant()}})),
            rows(QStringLiteral("Select * FROM NumerazioneDocumenti "), numerazione),
            rows(QStringLiteral("Select * FROM Parametri WHERE IDparametro = 1"), kParametri,
                 {{1, "Versione", "2.0", QVariant()}}),
            rows(QStringLiteral("Select * FROM Parametri WHERE IDparametro = 2"), kParametri),
            rows(QStringLiteral("Select * FROM prodotti where idProdotto = 0"), kProdotti,
                 some({{0, "NUOVO0", "NESSUN PRODOTTO", 0, 0}})),
            rows(QStringLiteral("Select * FROM Soggetti where IDSoggetto = 0"), soggetti),
            rows(QStringLiteral("Select * FROM TipiDocumento "), kTipiDocumento,
                 some({{1, "Fattura", "FATTURE", -1, 1, 0, 1, "CL", 1, QVariant(), 2, "fattura.rpt",
                        0}})),
            rows(QStringLiteral("Select * FROM TipiDocumento WHERE IDTipoDocumento = 1"),
                 kTipiDocumento),
            rows(QStringLiteral("Select * FROM TipiPagamento "), kTipiPagamento),
            rows(QStringLiteral("Select * FROM TipiPagamento WHERE IDTipoPagamento = 1"),
                 kTipiPagamento),
            rows(QStringLiteral("Select * FROM TipiSoggetti "), kTipiSoggetti),
            rows(QStringLiteral("Select * FROM TipiSoggetti WHERE IdTipoSoggetto = 'CL'"),
                 kTipiSoggetti),
            rows(QStringLiteral("Select * FROM TipiSoggetti WHERE IdTipoSoggetto = 'L'''"),
                 kTipiSoggetti),
            stored(QStringLiteral("INSERT INTO (AlberoCategorie|Causali|Iva|NumerazioneDocumenti|"
                                  "Parametri|prodotti|Soggetti|TipiDocumento|TipiPagamento|"
                                  "TipiSoggetti) .*")),
            stored(QStringLiteral(R"(UPDATE Parametri SET "Note" = @P1, "Descrizione" = @P2 .*)"))};
}

} // namespace

QList<QPair<QString, QString>> catalogueColumns()
{
    return {{"name", "sysname"},
            {"type", "sysname"},
            {"max_length", "smallint"},
            {"precision", "tinyint"},
            {"scale", "tinyint"},
            {"is_nullable", "bit"},
            {"is_identity", "bit"},
            {"seed", "bigint"},
            {"increment", "bigint"},
            {"collation_name", "sysname"},
            {"definition", "nvarchar(max)"},
            {"name", "sysname"},
            {"is_system_named", "bit"},
            {"definition", "nvarchar(max)"}};
}

QList<QPair<QString, QString>> catalogueKeys()
{
    return {{"index_id", "int"},         {"name", "sysname"},        {"is_primary_key", "bit"},
            {"type", "tinyint"},         {"is_system_named", "bit"}, {"name", "sysname"},
            {"is_descending_key", "bit"}};
}

QVariantList catalogueColumn(const QString& name, const QString& type, int bytes, int precision,
                             int scale, bool nullable, const QVariant& collation)
{
    return {name,       type,       bytes,      precision, scale,      nullable ? 1 : 0,
            0,          QVariant(), QVariant(), collation, QVariant(), QVariant(),
            QVariant(), QVariant()};
}

QVariantList withDefault(QVariantList row, const QString& constraint, bool systemNamed,
                         const QString& definition)
{
    row[11] = constraint;
    row[12] = systemNamed ? 1 : 0;
    row[13] = definition;
    return row;
}

QVariantList withIdentity(QVariantList row, qint64 seed, qint64 increment)
{
    row[6] = 1;
    row[7] = seed;
    row[8] = increment;
    return row;
}

TdsRule collationRule(const QString& collation)
{
    return TdsRule::exact(kCollationSql).columns({{"", "nvarchar(128)"}}).row({collation});
}

TdsRule objectRule(const QString& like, int id, const QString& name)
{
    return TdsRule::like(like)
        .columns({{"object_id", "int"}, {"name", "sysname"}, {"name", "sysname"}})
        .row({id, "dbo", name});
}

TdsRule databaseRule(const QString& name)
{
    return TdsRule::exact(kDatabasesSql).columns({{"name", "sysname"}}).row({name});
}

QList<TdsRule> referenceRules()
{
    const Columns log = {{"IDInfo", "int"},
                         {"Nome", "nvarchar(100)"},
                         {"Data", "datetime"},
                         {"Versione", "nvarchar(20)"}};
    const QString logQuery = QStringLiteral(
        "Select * FROM InfoAggiornamenti where nome = 'L''ANTICA PIZZERIA DI CITTÀ'");
    QList<TdsRule> r;
    r << rows(QStringLiteral("Select Valore FROM Parametri where IDParametro = 1"),
              {{"Valore", "nvarchar(50)"}}, {{"2.1"}})
      << rows(logQuery, log, {{7, kCustomerLogged, "2024-01-15T00:00:00", "2.0"}})
             .after(QStringLiteral("^INSERT INTO InfoAggiornamenti"))
      << rows(logQuery, log) << stored(QStringLiteral("INSERT INTO InfoAggiornamenti .*"))
      << stored(QStringLiteral("UPDATE InfoAggiornamenti .*"));
    r << names(QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = "
                              "'BASE TABLE' ORDER BY  TABLE_NAME"),
               QStringLiteral("TABLE_NAME"), {"Clienti", "Commesse", "Parametri"})
      << names(columnsOf(QStringLiteral("Clienti")), QStringLiteral("COLUMN_NAME"), kClientiColumns)
      << names(columnsOf(QStringLiteral("Commesse")), QStringLiteral("COLUMN_NAME"),
               kCommesseColumns)
      << names(columnsOf(QStringLiteral("Parametri")), QStringLiteral("COLUMN_NAME"),
               kParametriColumns)
      << names(QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME <> "
                              "'VProdotto' and TABLE_NAME <> 'vProdotti' ORDER BY TABLE_NAME"),
               QStringLiteral("TABLE_NAME"), {"VCommesseAperte"});
    return r + referenceCatalogue() + referenceDefaultRows();
}

QList<TdsRule> localRules(const QString& failOn, bool emptyLookups)
{
    QList<TdsRule> r;
    if (!failOn.isEmpty())
        r << TdsRule::like(failOn).times(1).error(
            2714, QStringLiteral("There is already an object named 'Commesse' in the database."));
    r << rows(QStringLiteral("Select Valore FROM Parametri where IDParametro = 1"),
              {{"Valore", "nvarchar(50)"}}, {{"2.1"}})
             .after(kLocalVersionWrite)
      << rows(QStringLiteral("Select Valore FROM Parametri where IDParametro = 1"),
              {{"Valore", "nvarchar(50)"}}, {{" 2.0 "}})
      << rows(QStringLiteral("Select RagioneSociale FROM soggetti where IDsoggetto = 1"),
              {{"RagioneSociale", "nvarchar(80)"}}, {{kCustomer}})
      << TdsRule::like(kCreateCommesse) << TdsRule::like(kAddEmail) << TdsRule::like(kCreateView)
      << TdsRule::like(kLocalVersionWrite).rowCount(1);
    return r + localComparison() + localCatalogue() + localDefaultRows(emptyLookups);
}

} // namespace corvane::test
