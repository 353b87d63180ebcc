#include "schemaworld.h"

#include "schema/comparison.h"
#include "support/testdb.h"

#include <QDir>

namespace corvane::test {

SchemaWorld::SchemaWorld()
{
    port.folder = programFolder.path();
    // Both files exist from the start, so a test may leave one of them empty.
    reference(QStringLiteral("PRAGMA user_version = 1;"));
    local(QStringLiteral("PRAGMA user_version = 1;"));
}

SchemaWorld::SchemaWorld(const QString& referenceSql, const QString& localSql) : SchemaWorld()
{
    reference(referenceSql);
    local(localSql);
    connect();
}

QString SchemaWorld::referencePath() const
{
    return dir.filePath(kReferenceDatabase + QStringLiteral(".db"));
}

std::shared_ptr<FakeSqlDmoApplication> SchemaWorld::useFakeComponent()
{
    auto fake = useFakeSqlDmo(g);
    fake->catalog->databases = QStringList{kReferenceDatabase, kLocalDatabase};
    return fake;
}

void SchemaWorld::compare()
{
    expectVersionCheckBox();
    CommandAggiungiProvvigione_Click(ctx);
}

void SchemaWorld::setGrid(const QList<GridRow>& rows)
{
    FlexGrid& grid = form.FlexDb;
    grid.setRows(1);
    grid.setRows(static_cast<int>(rows.size()) + 1);
    for (int i = 0; i < rows.size(); ++i) {
        const int r = i + 1;
        grid.setTextMatrix(r, 0, rows[i].object);
        grid.setTextMatrix(r, 1, rows[i].column);
        grid.setTextMatrix(r, 2, rows[i].red ? QStringLiteral("mancante") : QStringLiteral("OK"));
        for (int c = 0; c < grid.Cols(); ++c) {
            grid.setRow(r);
            grid.setCol(c);
            grid.setCellBackColor(rows[i].red ? colour::Red : colour::Green);
        }
    }
}

QStringList SchemaWorld::gridRows() const
{
    const FlexGrid& grid = form.FlexDb;
    QStringList rows;
    for (int r = 1; r < grid.Rows(); ++r) {
        QStringList cells{grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 2)};
        QStringList colours;
        for (int c = 0; c < grid.Cols(); ++c)
            colours << QString::number(grid.cellColour(r, c));
        colours.removeDuplicates();
        cells << (colours.size() == 1 ? colours.front()
                                      : QStringLiteral("mixed:") + colours.join(QLatin1Char(',')));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList SchemaWorld::redRows() const
{
    const FlexGrid& grid = form.FlexDb;
    QStringList red;
    for (int r = 1; r < grid.Rows(); ++r)
        if (grid.cellColour(r, 2) == colour::Red)
            red << grid.TextMatrix(r, 0) + QLatin1Char('|') + grid.TextMatrix(r, 1);
    return red;
}

QStringList SchemaWorld::localObjects() const
{
    return localRows(QStringLiteral("SELECT type || ' ' || name FROM sqlite_master WHERE type IN "
                                    "('table', 'view') AND name NOT LIKE 'sqlite_%' ORDER BY 1"));
}

QString SchemaWorld::localDump() const
{
    QStringList out;
    const QStringList objects = localRows(
        QStringLiteral("SELECT type || '|' || name FROM sqlite_master WHERE type IN "
                       "('table', 'view') AND name NOT LIKE 'sqlite_%' ORDER BY type, name"));
    for (const QString& object : objects) {
        const QString type = object.section(QLatin1Char('|'), 0, 0);
        const QString objectName = object.section(QLatin1Char('|'), 1);
        out << type + QLatin1Char(' ') + objectName;
        if (type != QLatin1String("table")) continue;
        const QStringList columns =
            localRows(QStringLiteral(
                          "SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info('%1') "
                          "ORDER BY cid")
                          .arg(objectName));
        QStringList order;
        for (int i = 1; i <= columns.size(); ++i)
            order << QString::number(i);
        for (const QString& column : columns)
            out << QStringLiteral("  column ") + column;
        const QStringList rows = localRows(
            QStringLiteral("SELECT * FROM [%1] ORDER BY %2").arg(objectName, order.join(", ")));
        for (const QString& row : rows)
            out << QStringLiteral("  row ") + row;
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace corvane::test
