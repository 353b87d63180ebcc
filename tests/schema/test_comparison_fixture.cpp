#include "test_comparison_fixture.h"

#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace corvane::test {

namespace {

const QString kReference = QStringLiteral("Corvane");
const QString kLocal = QStringLiteral("Locale");

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

std::unique_ptr<db::Connection> openEmbedded(const QString& connectionString)
{
    auto connection = std::make_unique<db::Connection>();
    connection->Open(connectionString);
    return connection;
}

} // namespace

ComparisonBench::ComparisonBench(const QString& referenceSql, const QString& localSql)
{
    if (!dir.isValid()) throw std::runtime_error("no temporary folder");
    runSqlScript(dir.path(), kReference, referenceSql);
    runSqlScript(dir.path(), kLocal, localSql);
    g.ReferenceConnectionString = embeddedConnectionString(dir.path(), kReference);
    g.LocalConnectionString = embeddedConnectionString(dir.path(), kLocal);
    g.ReferenceConnection = openEmbedded(g.ReferenceConnectionString);
    g.LocalConnection = openEmbedded(g.LocalConnectionString);
    form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));
    port.folder = dir.path();
}

QString ComparisonBench::referencePath() const
{
    return QDir(dir.path()).filePath(kReference + QStringLiteral(".db"));
}

QStringList ComparisonBench::gridRows() const
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

void pointFtpAtClosedPort()
{
    qputenv("CORVANE_FTP_HOST", "127.0.0.1:1");
}

GoldenCase loadGoldenCase(const QString& folder)
{
    const QDir d(folder);
    GoldenCase golden;
    golden.referenceSql = readText(d.filePath(QStringLiteral("reference.sql")));
    golden.localSql = readText(d.filePath(QStringLiteral("local.sql")));
    const QString verdictTag = QStringLiteral("verdict|");
    const QStringList lines = readText(d.filePath(QStringLiteral("expected.txt"))).split(u'\n');
    for (const QString& line : lines) {
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(verdictTag))
            golden.verdict = line.mid(verdictTag.size());
        else
            golden.rows << line;
    }
    return golden;
}

QStringList goldenCaseFolders()
{
    const QDir root(testSourcePath(QStringLiteral("schema/comparison")));
    QStringList folders;
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        folders << root.filePath(name);
    return folders;
}

int yieldsOwed(const QStringList& rows)
{
    int owed = 0;
    int fixedViewRows = 2;
    for (const QString& row : rows) {
        if (!row.startsWith(QStringLiteral("(V)")))
            ++owed;
        else if (fixedViewRows > 0)
            --fixedViewRows;
        else
            ++owed;
    }
    return owed;
}

} // namespace corvane::test
