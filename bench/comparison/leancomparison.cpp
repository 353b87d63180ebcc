#include "leancomparison.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <sqlite3.h>
#include <stdexcept>

namespace bench {

namespace {

const QString kOk = QStringLiteral("OK");
const QString kNoTable = QStringLiteral("La Tabella non Esiste in Locale !!");
const QString kNoColumn = QStringLiteral("Il Campo non Esiste in Locale !!");
const QString kNoView = QStringLiteral("La Vista non Esiste in Locale !!");
constexpr int kGreen = 65280;
constexpr int kRed = 255;

sqlite3* openFile(const QString& path)
{
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &handle, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(handle);
        throw std::runtime_error("lean comparison: cannot open " + path.toStdString());
    }
    return handle;
}

// Letter case and trailing blanks do not count, as in the server's collation.
QString folded(const QString& name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u' ')
        --end;
    return name.left(end).toUpper();
}

QString text(sqlite3_stmt* stmt, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                             sqlite3_column_bytes(stmt, column));
}

// In TABLE_NAME order, which the server's collation sets.
void sortByKey(QStringList& names)
{
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(size_t(names.size()));
    for (const QString& name : names)
        keyed.push_back({folded(name), name});
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (const auto& [key, name] : keyed)
        names << name;
}

struct Schema
{
    QStringList tables, views;
    QSet<QString> tableKeys, viewKeys;
};

Schema readSchema(sqlite3* db)
{
    Schema schema;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT type, name FROM sqlite_schema WHERE type IN ('table', 'view') "
                       "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                       -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const QString name = text(stmt, 1);
        const bool view =
            qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "view") == 0;
        (view ? schema.views : schema.tables) << name;
        (view ? schema.viewKeys : schema.tableKeys).insert(folded(name));
    }
    sqlite3_finalize(stmt);
    sortByKey(schema.tables);
    sortByKey(schema.views);
    return schema;
}

QStringList columnsOf(sqlite3_stmt* tableInfo, const QString& table)
{
    const QByteArray name = table.toUtf8();
    sqlite3_reset(tableInfo);
    sqlite3_bind_text(tableInfo, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    QStringList columns;
    while (sqlite3_step(tableInfo) == SQLITE_ROW)
        columns << text(tableInfo, 0);
    return columns;
}

} // namespace

LeanComparison::LeanComparison(const QString& referenceFile, const QString& localFile)
    : m_reference(openFile(referenceFile)), m_local(openFile(localFile))
{
}

LeanComparison::~LeanComparison()
{
    sqlite3_close(m_reference);
    sqlite3_close(m_local);
}

void LeanComparison::run()
{
    m_rows.clear();
    const Schema reference = readSchema(m_reference);
    const Schema local = readSchema(m_local);
    const char* tableInfo = "SELECT name FROM pragma_table_info(?1)";
    sqlite3_stmt* referenceInfo = nullptr;
    sqlite3_stmt* localInfo = nullptr;
    sqlite3_prepare_v2(m_reference, tableInfo, -1, &referenceInfo, nullptr);
    sqlite3_prepare_v2(m_local, tableInfo, -1, &localInfo, nullptr);
    for (const QString& table : reference.tables) {
        const QString shown = table.trimmed();
        const bool present = local.tableKeys.contains(folded(table));
        m_rows.push_back({shown, QString(), present ? kOk : kNoTable, present ? kGreen : kRed});
        QSet<QString> localColumns;
        if (present)
            for (const QString& c : columnsOf(localInfo, table))
                localColumns.insert(c.toUpper());
        for (const QString& c : columnsOf(referenceInfo, table)) {
            const bool found = localColumns.contains(c.trimmed().toUpper());
            m_rows.push_back({shown, c.trimmed(), found ? kOk : kNoColumn, found ? kGreen : kRed});
        }
    }
    sqlite3_finalize(referenceInfo);
    sqlite3_finalize(localInfo);

    QStringList views{QStringLiteral("VProdotto"), QStringLiteral("VProdotti")};
    for (const QString& view : reference.views)
        if (folded(view) != u"VPRODOTTO" && folded(view) != u"VPRODOTTI") views << view;
    for (const QString& view : views) {
        const bool present = local.viewKeys.contains(folded(view));
        m_rows.push_back({QStringLiteral("(V)") + view.trimmed(), QString(),
                          present ? kOk : kNoView, present ? kGreen : kRed});
    }
}

} // namespace bench
