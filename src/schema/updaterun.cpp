#include "updaterun.h"

#include "addcolumn.h"
#include "base/error.h"
#include "base/strings.h"
#include "comparison.h"
#include "dbversion/dbversion.h"
#include "embeddedrebuild.h"
#include "objectscript.h"
#include "runtransaction.h"
#include "scripting.h"
#include "seed/seed.h"
#include "sqldmo.h"
#include "state/context.h"
#include "updaterun_steps.h"
#include "updaterun_texts.h"

#include <QHash>
#include <QList>
#include <memory>
#include <utility>

namespace corvane {

namespace {

constexpr int kStatusColumn = 2;
const QString kViewPrefix = QStringLiteral("(V)");

// One schema update run: the row walk over the red rows of FlexDb and the
// completion. The error handler lives in Cmd_Click.
class UpdateRun
{
public:
    explicit UpdateRun(Context& ctx) : m_ctx(ctx), m_grid(ctx.form.FlexDb) {}

    // Step 1: false when SQL-DMO is missing or older than 8.5.
    bool libraryPresent();
    void prepare();
    void walkRows();
    void complete();
    // After a failure: what the walk executed so far stays created.
    void keepWhatWasDone();

    // Shown by the error handler: the script most recently obtained.
    const QString& lastScript() const { return m_lastScript; }

private:
    void processRow(int r);
    void createTable(const QString& objectName, int r);
    void addColumn(const QString& objectName, const QString& columnName);
    // A view that cannot be created yet is left for a later pass.
    void createView(const QString& objectName);
    void retryViews();
    void takeTableRowsOffList(const QString& objectName, int r);
    void yield() { m_ctx.port.yield(); }

    Context& m_ctx;
    FlexGrid& m_grid;
    GlobalState& g() { return m_ctx.g; }
    bool m_script70Only = false;
    QString m_lastScript;
    // Data rows by object name (trimmed, upper-cased), built once: the names do
    // not change during the walk, and a grid may hold tens of thousands of rows.
    QHash<QString, QList<int>> m_rowsByObject;
    // View rows whose view could not be created yet, in grid order.
    QStringList m_viewsLeft;
    int m_viewsCreated = 0; // since the last pass began
    std::unique_ptr<schema::RunTransaction> m_transaction;
};

bool UpdateRun::libraryPresent()
{
    try {
        schema::Application& app = schema::application(g());
        g().SqlDmoServer = app.createServer();
        const int major = app.VersionMajor();
        const int minor = app.VersionMinor();
        return major >= 9 || (major == 8 && minor >= 5);
    } catch (const Error& e) {
        m_ctx.log.record(QStringLiteral("Cmd_Click: SQL-DMO unavailable: %1 -- %2")
                             .arg(e.number())
                             .arg(e.description()));
        return false;
    }
}

void UpdateRun::prepare()
{
    FormState& form = m_ctx.form;
    form.lblinfo.setVisible(true);
    form.lblinfo.bringToFront();
    form.lblinfo.setCaption(updatetext::CreatingTables);

    // The local server's version decides whether scripts keep to the 7.0 dialect.
    g().SqlDmoServer = schema::application(g()).createServer();
    g().SqlDmoServer->Connect(trimSpaces(g().LocalServer), trimSpaces(g().LocalUser),
                              trimSpaces(g().LocalPassword));
    m_script70Only = g().SqlDmoServer->VersionMajor() <= 8;
    g().SqlDmoServer->DisConnect();

    form.setEnabled(false);
    m_ctx.port.setMousePointer(pointer::Hourglass);

    m_grid.setVisible(false);
    form.PB1.setMax(100);
    form.PB1.setMin(0);
    form.PB1.setValue(0);
    form.PB1.setMax(m_grid.Rows() - 1);
}

void UpdateRun::walkRows()
{
    const int lastRow = m_grid.Rows() - 1;
    for (int r = 1; r <= lastRow; ++r)
        m_rowsByObject[trimSpaces(m_grid.TextMatrix(r, 0)).toUpper()].append(r);

    m_transaction =
        std::make_unique<schema::RunTransaction>(g().LocalConnection.get(), !g().PreviewMode);
    for (int r = 1; r <= lastRow; ++r) {
        m_ctx.form.PB1.setValue(r);
        yield();
        processRow(r);
    }
    retryViews();
    m_transaction->commit();
    // Its page cache is let go before the seeding and the comparison, whose
    // own peak it would add to.
    m_transaction.reset();
}

// A view may use a view listed after it: the views left are tried again
// while a pass creates at least one of them, so a chain needs one run.
void UpdateRun::retryViews()
{
    // Another pass is worth it only when the last one created a view.
    while (!m_viewsLeft.isEmpty() && std::exchange(m_viewsCreated, 0) > 0) {
        const QStringList pass = std::exchange(m_viewsLeft, {});
        for (const QString& view : pass) {
            yield();
            createView(view);
        }
    }
}

void UpdateRun::keepWhatWasDone()
{
    if (!m_transaction) return;
    try {
        m_transaction->commit();
    } catch (const Error& e) {
        m_ctx.log.record(QStringLiteral("Cmd_Click: commit after the failure failed: %1 -- %2")
                             .arg(e.number())
                             .arg(e.description()));
    }
}

void UpdateRun::processRow(int r)
{
    m_grid.setRow(r);
    m_grid.setCol(kStatusColumn);
    if (m_grid.CellBackColor() != colour::Red) return;

    const QString objectName = trimSpaces(m_grid.TextMatrix(r, 0));
    const QString columnName = trimSpaces(m_grid.TextMatrix(r, 1));
    const QString prefix = objectName.size() >= 3 ? objectName.left(3).toUpper() : QString();
    if (objectName.isEmpty()) return;

    if (prefix != kViewPrefix && columnName.isEmpty())
        createTable(objectName, r);
    else if (prefix != kViewPrefix)
        addColumn(objectName, columnName);
    else if (columnName.isEmpty())
        createView(objectName);
}

void UpdateRun::createTable(const QString& objectName, int r)
{
    m_lastScript =
        ScriptReferenceTable(m_ctx, g().ReferenceServer, g().ReferenceUser, g().ReferencePassword,
                             g().ReferenceDatabase, objectName, m_script70Only);
    if (schema::runObjectScript(m_ctx, schema::ObjectKind::Table, objectName, m_lastScript,
                                m_transaction.get()) > 0)
        m_transaction->whenKept([this, objectName] {
            m_ctx.log.note(RunEvent::TableCreated,
                           QStringLiteral("Cmd_Click: table %1 created").arg(objectName),
                           objectName);
        });
    // Whatever the script did, the table's later rows are not this run's work any more.
    takeTableRowsOffList(objectName, r);
}

void UpdateRun::addColumn(const QString& objectName, const QString& columnName)
{
    const schema::ColumnAddition addition =
        PrepareColumnAddition(m_ctx, g().ReferenceServer, g().ReferenceUser, g().ReferencePassword,
                              g().ReferenceDatabase, g().LocalServer, g().LocalUser,
                              g().LocalPassword, g().LocalDatabase, objectName, columnName);
    m_lastScript = addition.statement;
    if (m_lastScript.isEmpty()) return;
    // A column is added on its own: a rebuild switches foreign keys off,
    // which the engine allows outside a transaction only.
    m_transaction->commit();
    // The statement is written for the local server's engine; the embedded
    // one may need its table rebuilt for what ALTER TABLE cannot do there.
    const bool added = addition.embedded && g().LocalConnection && g().LocalConnection->isEmbedded()
                           ? schema::addEmbeddedColumn(m_ctx, addition)
                           : schema::executeLocalStatement(m_ctx, m_lastScript);
    if (added) {
        const QString column = objectName + QLatin1Char('.') + columnName;
        m_ctx.log.note(RunEvent::ColumnAdded,
                       QStringLiteral("Cmd_Click: column %1 added").arg(column), column);
    }
}

void UpdateRun::createView(const QString& objectName)
{
    // A view may refer to an object still missing: it is tried again after
    // the walk, and stays red for the next run if that does not help.
    try {
        m_lastScript = ScriptReferenceView(m_ctx, g().ReferenceServer, g().ReferenceUser,
                                           g().ReferencePassword, g().ReferenceDatabase,
                                           objectName.mid(3), m_script70Only);
        if (schema::runObjectScript(m_ctx, schema::ObjectKind::View, objectName.mid(3),
                                    m_lastScript, m_transaction.get()) > 0) {
            ++m_viewsCreated;
            m_transaction->whenKept([this, view = objectName.mid(3)] {
                m_ctx.log.note(RunEvent::ViewCreated,
                               QStringLiteral("Cmd_Click: view %1 created").arg(view), view);
            });
        }
    } catch (const schema::StretchLost&) {
        throw; // objects before this view are lost: no later pass brings them back
    } catch (const Error& e) {
        m_ctx.log.record(QStringLiteral("Cmd_Click: view %1 left for later: %2 -- %3")
                             .arg(objectName)
                             .arg(e.number())
                             .arg(e.description()));
        m_viewsLeft << objectName;
    }
}

void UpdateRun::takeTableRowsOffList(const QString& objectName, int r)
{
    const QList<int> rows = m_rowsByObject.value(objectName.toUpper());
    for (const int j : rows) {
        if (j <= r || j >= m_grid.Rows()) continue;
        for (int c = 0; c < m_grid.Cols(); ++c) {
            m_grid.setCol(c);
            m_grid.setRow(j);
            m_grid.setCellBackColor(colour::Green);
        }
    }
}

void UpdateRun::complete()
{
    FormState& form = m_ctx.form;
    const bool preview = g().PreviewMode;
    form.lblinfo.setCaption(updatetext::SeedingCaption);
    yield();
    // Default rows go in through record sets, not statements: a preview skips them.
    if (!preview) SeedDefaultRows(m_ctx);

    form.lblinfo.setCaption(updatetext::RecheckCaption);
    yield();
    // After a preview the comparison finds the rows it found before (nothing
    // was executed); the preview still lists the version write that follows
    // once every row is green.
    CommandAggiungiProvvigione_Click(m_ctx);
    if (preview || form.lblEsito.caption().toUpper() == updatetext::AllUpToDate.toUpper())
        schema::writeDatabaseVersion(m_ctx);

    form.lblinfo.setCaption(updatetext::VersionCheckCaption);
    yield();
    CheckDatabaseVersion(m_ctx);
    yield();

    form.lblinfo.setVisible(false);
    yield();
    m_grid.setVisible(true);
    // A preview has updated nothing.
    if (!preview)
        m_ctx.port.messageBox(updatetext::Success, updatetext::SuccessTitle, style::Information);
    form.setEnabled(true);
    m_ctx.port.setMousePointer(pointer::Icon);
}

} // namespace

namespace {

// The database files the component kept open for the run are let go with it.
struct ReleaseComponentFiles
{
    GlobalState& g;
    ~ReleaseComponentFiles()
    {
        if (g.SqlDmoApplication) g.SqlDmoApplication->releaseFiles();
    }
};

} // namespace

void Cmd_Click(Context& ctx)
{
    const ReleaseComponentFiles release{ctx.g};
    UpdateRun run(ctx);
    if (!run.libraryPresent()) {
        schema::takeLibraryMissingPath(ctx);
        return;
    }
    if (trimSpaces(ctx.form.lblConnesso.caption()).toUpper() != updatetext::Connected) {
        ctx.port.messageBox(updatetext::NotConnected, updatetext::NotConnectedTitle,
                            style::Critical);
        return;
    }
    try {
        run.prepare();
        run.walkRows();
        run.complete();
    } catch (const Error& e) {
        run.keepWhatWasDone();
        ctx.port.messageBox(updatetext::ErrorPrefix + QString::number(e.number()) +
                                QStringLiteral(" -- ") + e.description(),
                            updatetext::ErrorTitle, style::Critical);
        ctx.port.messageBox(run.lastScript(), QString(), style::Ok);
        ctx.form.setEnabled(true);
        ctx.port.setMousePointer(pointer::Icon);
    }
}

} // namespace corvane
