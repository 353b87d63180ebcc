#include "dbsnapshot.h"

#include "testdb.h"

namespace corvane::test {

namespace {

const QStringList kLookupTables{
    "AlberoCategorie", "Causali",  "Iva",           "NumerazioneDocumenti", "Parametri",
    "prodotti",        "Soggetti", "TipiDocumento", "TipiPagamento",        "TipiSoggetti"};
const QString kParametersKey = QStringLiteral("IDparametro");

QString literal(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QStringList rowsOf(const QString& folder, const QString& name, const QString& table,
                   const QStringList& columns)
{
    QStringList values;
    for (const QString& c : columns)
        values << QStringLiteral("quote(%1)").arg(quoted(c));
    QStringList rows =
        queryRows(folder, name,
                  QStringLiteral("SELECT %1 FROM %2")
                      .arg(values.join(QStringLiteral(" || char(31) || ")), quoted(table)));
    rows.sort();
    return rows;
}

// Every row of `before` is in `after`, as often.
bool containsAll(QStringList after, const QStringList& before)
{
    for (const QString& row : before)
        if (!after.removeOne(row)) return false;
    return true;
}

QString lostRows(const DbSnapshot& before, const QString& folder, const QString& name,
                 const QString& table)
{
    const bool parameters = table.compare(QLatin1String("Parametri"), Qt::CaseInsensitive) == 0;
    QStringList compared = before.columns[table];
    QStringList then = before.rows[table];
    qsizetype key = -1;
    for (qsizetype i = 0; i < compared.size(); ++i)
        if (compared.at(i).compare(kParametersKey, Qt::CaseInsensitive) == 0) key = i;
    if (parameters && key >= 0) {
        compared = QStringList{compared.at(key)};
        for (QString& row : then)
            row = row.section(QChar(31), int(key), int(key));
        then.sort();
    }
    const QStringList now = rowsOf(folder, name, table, compared);
    const bool lookup = kLookupTables.contains(table, Qt::CaseInsensitive);
    if (lookup ? containsAll(now, then) : now == then) return {};
    return QStringLiteral("rows of %1: before [%2], after [%3]")
        .arg(table, then.join(u';'), now.join(u';'));
}

} // namespace

DbSnapshot takeSnapshot(const QString& folder, const QString& name)
{
    DbSnapshot s;
    const QStringList tables =
        queryRows(folder, name,
                  "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE "
                  "'sqlite\\_%' ESCAPE '\\'");
    for (const QString& table : tables) {
        s.columns[table] =
            queryRows(folder, name,
                      QStringLiteral("SELECT name FROM pragma_table_info(%1)").arg(literal(table)));
        s.rows[table] = rowsOf(folder, name, table, s.columns[table]);
    }
    s.indexes = queryRows(folder, name,
                          "SELECT tbl_name || '|' || name FROM sqlite_schema WHERE type = 'index' "
                          "ORDER BY 1");
    s.views =
        queryRows(folder, name, "SELECT name FROM sqlite_schema WHERE type = 'view' ORDER BY 1");
    return s;
}

QString lostSince(const DbSnapshot& before, const QString& folder, const QString& name)
{
    const QStringList check = queryRows(folder, name, "PRAGMA integrity_check");
    if (check != QStringList{"ok"}) return QStringLiteral("integrity: ") + check.join(u';');
    const DbSnapshot after = takeSnapshot(folder, name);
    for (auto t = before.columns.cbegin(); t != before.columns.cend(); ++t) {
        if (!after.columns.contains(t.key())) return QStringLiteral("table ") + t.key();
        for (const QString& c : t.value())
            if (!after.columns[t.key()].contains(c))
                return QStringLiteral("column %1 of %2").arg(c, t.key());
        const QString rows = lostRows(before, folder, name, t.key());
        if (!rows.isEmpty()) return rows;
    }
    for (const QString& index : before.indexes)
        if (!after.indexes.contains(index)) return QStringLiteral("index ") + index;
    for (const QString& view : before.views)
        if (!after.views.contains(view)) return QStringLiteral("view ") + view;
    return {};
}

QStringList indexShapes(const QString& folder, const QString& name, const QString& table)
{
    QStringList shapes = queryRows(
        folder, name,
        QStringLiteral("SELECT il.\"unique\" || ':' || (SELECT group_concat(name, ',') FROM "
                       "pragma_index_info(il.name)) FROM pragma_index_list(%1) il WHERE "
                       "il.origin = 'c'")
            .arg(literal(table)));
    shapes.sort();
    return shapes;
}

} // namespace corvane::test
