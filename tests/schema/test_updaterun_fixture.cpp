#include "test_updaterun_fixture.h"

#include "schema/comparison.h"
#include "support/ftptestserver.h"
#include "support/testdb.h"

#include <QDir>

namespace corvane::test {

namespace {
const QString kExecuted = QStringLiteral("Cmd_Click: executed: ");
const QString kReferenceName = QStringLiteral("Corvane");
const QString kLocalName = QStringLiteral("Locale");
} // namespace

QStringList RecordingLog::executed() const
{
    QStringList statements;
    for (const QString& line : lines)
        if (line.startsWith(kExecuted)) statements << line.mid(kExecuted.size());
    return statements;
}

UpdateRunFixture::UpdateRunFixture()
{
    const QString server = QStringLiteral("sqlite:") + dir.path();
    g.ReferenceServer = server;
    g.ReferenceUser = QStringLiteral("sa");
    g.ReferencePassword = QStringLiteral("");
    g.ReferenceDatabase = kReferenceName;
    g.ReferenceConnectionString = embeddedConnectionString(dir.path(), kReferenceName);
    g.LocalServer = server;
    g.LocalUser = QStringLiteral("sa");
    g.LocalPassword = QStringLiteral("");
    g.LocalDatabase = kLocalName;
    g.LocalConnectionString = embeddedConnectionString(dir.path(), kLocalName);
    port.folder = programFolder.path();
    // Both files exist from the start, so a test may leave one of them empty.
    runSqlScript(dir.path(), kReferenceName, QStringLiteral("PRAGMA user_version = 1;"));
    runSqlScript(dir.path(), kLocalName, QStringLiteral("PRAGMA user_version = 1;"));
}

void UpdateRunFixture::reference(const QString& sql)
{
    runSqlScript(dir.path(), kReferenceName, sql);
}

void UpdateRunFixture::local(const QString& sql)
{
    runSqlScript(dir.path(), kLocalName, sql);
}

void UpdateRunFixture::connect()
{
    g.LocalConnection = std::make_unique<db::Connection>();
    g.LocalConnection->Open(g.LocalConnectionString);
    g.ReferenceConnection = std::make_unique<db::Connection>();
    g.ReferenceConnection->Open(g.ReferenceConnectionString);
    form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));
}

std::shared_ptr<FakeSqlDmoApplication> UpdateRunFixture::useFakeComponent()
{
    auto fake = std::make_shared<FakeSqlDmoApplication>();
    fake->catalog->databases = QStringList{kReferenceName, kLocalName};
    g.createSqlDmoApplication = [fake] { return fake; };
    return fake;
}

void UpdateRunFixture::expectVersionCheckBox()
{
    port.expectBox(QStringLiteral("Server FTP non trovato!"));
}

void UpdateRunFixture::compare()
{
    expectVersionCheckBox();
    CommandAggiungiProvvigione_Click(ctx);
}

void UpdateRunFixture::setGrid(const QList<GridRow>& rows)
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

QStringList UpdateRunFixture::redRows() const
{
    const FlexGrid& grid = form.FlexDb;
    QStringList red;
    for (int r = 1; r < grid.Rows(); ++r)
        if (grid.cellColour(r, 2) == colour::Red)
            red << grid.TextMatrix(r, 0) + QLatin1Char('|') + grid.TextMatrix(r, 1);
    return red;
}

QStringList UpdateRunFixture::localRows(const QString& sql) const
{
    return queryRows(dir.path(), kLocalName, sql);
}

QStringList UpdateRunFixture::localObjects() const
{
    return localRows(QStringLiteral("SELECT type || ' ' || name FROM sqlite_master WHERE type IN "
                                    "('table', 'view') AND name NOT LIKE 'sqlite_%' ORDER BY 1"));
}

void useClosedUpdateServer()
{
    qputenv("CORVANE_FTP_HOST",
            QStringLiteral("127.0.0.1:%1").arg(FtpTestServer::closedPort()).toUtf8());
}

QString dumpDatabase(const QString& folder, const QString& name)
{
    QStringList out;
    const QStringList objects = queryRows(
        folder, name,
        QStringLiteral("SELECT type || '|' || name FROM sqlite_master WHERE type IN "
                       "('table', 'view') AND name NOT LIKE 'sqlite_%' ORDER BY type, name"));
    for (const QString& object : objects) {
        const QString type = object.section(QLatin1Char('|'), 0, 0);
        const QString objectName = object.section(QLatin1Char('|'), 1);
        out << type + QLatin1Char(' ') + objectName;
        if (type != QLatin1String("table")) continue;
        const QStringList columns =
            queryRows(folder, name,
                      QStringLiteral(
                          "SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info('%1') "
                          "ORDER BY cid")
                          .arg(objectName));
        QStringList order;
        for (int i = 1; i <= columns.size(); ++i)
            order << QString::number(i);
        for (const QString& column : columns)
            out << QStringLiteral("  column ") + column;
        const QStringList rows = queryRows(
            folder, name,
            QStringLiteral("SELECT * FROM [%1] ORDER BY %2").arg(objectName, order.join(", ")));
        for (const QString& row : rows)
            out << QStringLiteral("  row ") + row;
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace corvane::test
