#include "comparison.h"

#include "base/strings.h"
#include "comparison_retry.h"
#include "db/embeddedexec.h"
#include "dbversion/dbversion.h"
#include "ftpupdate/versioncheck.h"
#include "state/context.h"

namespace corvane {

namespace {

const QString kConnectedCaption = QStringLiteral("DB CONNESSO");
const QString kNotConnectedText = QStringLiteral("Il Database non Connesso!!");
const QString kNotConnectedTitle = QStringLiteral("Attenzione!!");
const QString kWorking = QStringLiteral("...");
const QString kTablesPhase = QStringLiteral("Controllo Se le Tabelle sono Aggiornate!");
const QString kViewsPhase = QStringLiteral("Controllo Se le Viste sono Aggiornate!");
const QString kOk = QStringLiteral("OK");
const QString kTableMissing = QStringLiteral("La Tabella non Esiste in Locale !!");
const QString kColumnMissing = QStringLiteral("Il Campo non Esiste in Locale !!");
const QString kViewMissing = QStringLiteral("La Vista non Esiste in Locale !!");
const QString kErrorTitle = QStringLiteral("ATTENZIONE");
const QString kViewPrefix = QStringLiteral("(V)");
// Listed first, whether or not the reference has them.
const QString kFixedViews[] = {QStringLiteral("VProdotto"), QStringLiteral("VProdotti")};

const QString kLogPrefix = QStringLiteral("CommandAggiungiProvvigione_Click: ");
const QString kTableName = QStringLiteral("TABLE_NAME");
const QString kColumnName = QStringLiteral("COLUMN_NAME");

// The catalogue queries, as the reference server has always been asked them.
const QString kReferenceTablesSql = QStringLiteral(
    "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
    "ORDER BY  TABLE_NAME");

// A catalogue question about one name. SQL Server is asked it with the name
// quoted into the text; the embedded engine with the name bound, so that one
// prepared text serves every table.
struct NameQuestion
{
    QString before;
    QString after;
    QString bound = before + u'?' + after;

    QString quoted(const QString& name) const
    {
        return before + u'\'' + DoubleQuotes(name) + u'\'' + after;
    }
};

const NameQuestion kLocalTable{
    QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE "
                   "TABLE' and TABLE_NAME="),
    QStringLiteral(" ")};
const NameQuestion kColumns{
    QStringLiteral("SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = "),
    QString()};
const QString kReferenceViewsSql = QStringLiteral(
    "SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME <> 'VProdotto' and "
    "TABLE_NAME <> 'vProdotti' ORDER BY TABLE_NAME");
const NameQuestion kLocalView{
    QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME="),
    QStringLiteral(" ")};

void openQuestion(db::Recordset& rs, db::Connection& connection, const NameQuestion& question,
                  const QString& name, int cursorType)
{
    if (connection.isEmbedded())
        rs.Open(question.bound, connection, cursorType, db::adLockReadOnly, db::adOptionUnspecified,
                {name});
    else
        rs.Open(question.quoted(name), connection, cursorType, db::adLockReadOnly,
                db::adOptionUnspecified);
}

// One comparison run. Every action that can fail goes through m_retry, so the
// procedure below reads as its steps while each one is retried on its own.
class ComparisonRun
{
public:
    explicit ComparisonRun(Context& ctx) : m_ctx(ctx), m_grid(ctx.form.FlexDb), m_retry(ctx) {}

    void run()
    {
        try {
            if (!prepare()) return;
            {
                // Thousands of reads: each file locked and checked once for all of them.
                const db::EmbeddedReadTransaction local(m_ctx.g.LocalConnection.get());
                const db::EmbeddedReadTransaction reference(usableReference());
                tablePass();
                viewPass();
            }
            verdictAndChecks();
            restoreWindow();
        } catch (const schema::RunAbandoned& abandoned) {
            reportAbandoned(abandoned.error);
        }
    }

private:
    template <typename Action> auto attempt(Action&& action) -> decltype(action())
    {
        return m_retry.attempt(std::forward<Action>(action));
    }

    bool prepare();
    // Null when it cannot be used now: the first read will say why, and retry.
    db::Connection* usableReference()
    {
        try {
            return &m_retry.reference();
        } catch (const Error&) {
            return nullptr;
        }
    }
    void tablePass();
    void compareTable(const QString& table);
    void compareColumns(const QString& table);
    QStringList localColumnNames(db::Recordset& local);
    void viewPass();
    void listReferenceViews();
    void lookUpViews(int firstViewRow);
    void verdictAndChecks();
    void restoreWindow();
    void reportAbandoned(const Error& error);

    db::Recordset& openReference(std::unique_ptr<db::Recordset>& slot, const QString& sql,
                                 int cursorType);
    db::Recordset& openReference(std::unique_ptr<db::Recordset>& slot, const NameQuestion& question,
                                 const QString& name, int cursorType);
    db::Recordset& openLocalLookup(const NameQuestion& question, const QString& name);
    bool hasRow(db::Recordset& rs)
    {
        return !attempt([&] { return rs.Eof(); });
    }
    QString readField(db::Recordset& rs, const QString& name)
    {
        return attempt([&] { return rs.field(name).toString(); });
    }
    void resetProgress(long recordCount);
    void stepProgress();
    int appendRow(const QString& name);
    int appendColumnRow(const QString& table, const QString& column);
    void setStatus(int row, bool found, const QString& missingText);
    void colourRow(int row, int colour);

    Context& m_ctx;
    FlexGrid& m_grid;
    // Declared before the recordsets: they are closed before any connection
    // they read from is let go.
    schema::ReferenceRetry m_retry;
    bool m_upToDate = true;
    std::unique_ptr<db::Recordset> m_referenceList;
    std::unique_ptr<db::Recordset> m_referenceColumns;
};

bool ComparisonRun::prepare()
{
    attempt([&] { m_grid.setRows(1); });
    m_upToDate = true;
    m_ctx.form.lblEsito.setCaption(kWorking);

    if (trimSpaces(m_ctx.form.lblConnesso.caption().toUpper()) != kConnectedCaption) {
        m_ctx.port.messageBox(kNotConnectedText, kNotConnectedTitle, style::Critical);
        return false;
    }

    attempt([&] { m_grid.setVisible(false); });
    m_ctx.form.setEnabled(false);
    m_ctx.form.lblinfo.setVisible(true);
    m_ctx.form.lblinfo.bringToFront();
    m_ctx.form.lblinfo.setCaption(kTablesPhase);
    return true;
}

void ComparisonRun::tablePass()
{
    db::Recordset& tables = openReference(m_referenceList, kReferenceTablesSql, db::adOpenStatic);
    if (hasRow(tables)) resetProgress(attempt([&] { return tables.RecordCount(); }));

    while (hasRow(tables)) {
        const QString table = readField(tables, kTableName);
        compareTable(table);
        compareColumns(table);
        stepProgress();
        m_ctx.port.yield();
        attempt([&] { tables.MoveNext(); });
    }
    attempt([&] { tables.Close(); });
}

void ComparisonRun::compareTable(const QString& table)
{
    const int row = appendRow(trimSpaces(table));
    db::Recordset& local = openLocalLookup(kLocalTable, table);
    setStatus(row, hasRow(local), kTableMissing);
    attempt([&] { local.Close(); });
}

void ComparisonRun::compareColumns(const QString& table)
{
    db::Recordset& reference =
        openReference(m_referenceColumns, kColumns, table, db::adOpenForwardOnly);
    db::Recordset& local = openLocalLookup(kColumns, table);
    const QStringList localColumns = localColumnNames(local);
    const QString shownTable = trimSpaces(table);

    while (hasRow(reference)) {
        const QString column = trimSpaces(readField(reference, kColumnName));
        const int row = appendColumnRow(shownTable, column);
        setStatus(row, localColumns.contains(column.toUpper()), kColumnMissing);
        m_ctx.port.yield();
        attempt([&] { reference.MoveNext(); });
    }
    attempt([&] { local.Close(); });
    attempt([&] { reference.Close(); });
}

// Upper-cased and trimmed like the reference names: letter case and blanks
// around a name do not count. (Untrimmed, a local "Email " never matched the
// reference's "Email": every update added a second, empty "Email" column.)
// Read once per table; every reference column is then looked for in the
// whole list, wherever the previous search stopped.
QStringList ComparisonRun::localColumnNames(db::Recordset& local)
{
    QStringList names;
    while (hasRow(local)) {
        names << trimSpaces(readField(local, kColumnName)).toUpper();
        attempt([&] { local.MoveNext(); });
    }
    return names;
}

void ComparisonRun::viewPass()
{
    m_ctx.form.lblinfo.setCaption(kViewsPhase);
    const int firstViewRow = attempt([&] { return m_grid.Rows(); });
    for (const QString& view : kFixedViews)
        appendRow(kViewPrefix + view);
    listReferenceViews();
    lookUpViews(firstViewRow);
}

void ComparisonRun::listReferenceViews()
{
    db::Recordset& views = openReference(m_referenceList, kReferenceViewsSql, db::adOpenStatic);
    if (hasRow(views)) resetProgress(attempt([&] { return views.RecordCount(); }));

    while (hasRow(views)) {
        appendRow(kViewPrefix + trimSpaces(readField(views, kTableName)));
        stepProgress();
        m_ctx.port.yield();
        attempt([&] { views.MoveNext(); });
    }
    attempt([&] { views.Close(); });
}

void ComparisonRun::lookUpViews(int firstViewRow)
{
    const int rows = attempt([&] { return m_grid.Rows(); });
    for (int row = firstViewRow; row < rows; ++row) {
        const QString view = attempt([&] { return m_grid.TextMatrix(row, 0).mid(3); });
        db::Recordset& local = openLocalLookup(kLocalView, view);
        setStatus(row, hasRow(local), kViewMissing);
        attempt([&] { local.Close(); });
    }
}

void ComparisonRun::verdictAndChecks()
{
    m_ctx.form.lblEsito.setCaption(m_upToDate ? comparisontext::AllUpToDate
                                              : comparisontext::SomeOutdated);
    attempt([&] { CheckDatabaseVersion(m_ctx); });
    attempt([&] { ControllaVersioneProgramma(m_ctx); });
}

void ComparisonRun::restoreWindow()
{
    m_ctx.form.lblinfo.setVisible(false);
    attempt([&] { m_grid.setVisible(true); });
    m_ctx.form.setEnabled(true);
}

void ComparisonRun::reportAbandoned(const Error& error)
{
    const QString failure =
        QString::number(error.number()) + QStringLiteral(" -- ") + error.description();
    m_ctx.log.record(kLogPrefix +
                     QStringLiteral("stopped after %1 failures: ").arg(m_retry.failures()) +
                     failure);
    m_ctx.port.messageBox(QStringLiteral("ERRORE !!\r\n\r\n") + failure, kErrorTitle,
                          style::Critical);
    m_ctx.form.setEnabled(true);
}

db::Recordset& ComparisonRun::openReference(std::unique_ptr<db::Recordset>& slot,
                                            const QString& sql, int cursorType)
{
    slot = std::make_unique<db::Recordset>();
    m_ctx.log.trace(kLogPrefix + QStringLiteral("reference: ") + sql);
    attempt([&] {
        slot->Open(sql, m_retry.reference(), cursorType, db::adLockReadOnly,
                   db::adOptionUnspecified);
    });
    return *slot;
}

// The log shows the question as SQL Server is asked it, whichever engine answers.
db::Recordset& ComparisonRun::openReference(std::unique_ptr<db::Recordset>& slot,
                                            const NameQuestion& question, const QString& name,
                                            int cursorType)
{
    slot = std::make_unique<db::Recordset>();
    m_ctx.log.trace(kLogPrefix + QStringLiteral("reference: ") + question.quoted(name));
    attempt([&] { openQuestion(*slot, m_retry.reference(), question, name, cursorType); });
    return *slot;
}

db::Recordset& ComparisonRun::openLocalLookup(const NameQuestion& question, const QString& name)
{
    db::Recordset& rs = m_ctx.g.newWorkRecordset();
    m_ctx.log.trace(kLogPrefix + QStringLiteral("local: ") + question.quoted(name));
    attempt([&] {
        if (!m_ctx.g.LocalConnection) throw schema::objectClosed();
        openQuestion(rs, *m_ctx.g.LocalConnection, question, name, db::adOpenStatic);
    });
    return rs;
}

void ComparisonRun::resetProgress(long recordCount)
{
    ProgressBarControl& bar = m_ctx.form.PB1;
    bar.setMax(100);
    bar.setMin(0);
    bar.setValue(0);
    bar.setMax(static_cast<int>(recordCount));
}

void ComparisonRun::stepProgress()
{
    m_ctx.form.PB1.setValue(m_ctx.form.PB1.value() + 1);
}

int ComparisonRun::appendRow(const QString& name)
{
    attempt([&] { m_grid.setRows(m_grid.Rows() + 1); });
    const int row = m_grid.Rows() - 1;
    attempt([&] { m_grid.setTextMatrix(row, 0, name); });
    return row;
}

int ComparisonRun::appendColumnRow(const QString& table, const QString& column)
{
    const int row = appendRow(table);
    attempt([&] { m_grid.setTextMatrix(row, 1, column); });
    return row;
}

void ComparisonRun::setStatus(int row, bool found, const QString& missingText)
{
    if (!found) m_upToDate = false;
    attempt([&] { m_grid.setTextMatrix(row, 2, found ? kOk : missingText); });
    colourRow(row, found ? colour::Green : colour::Red);
}

// Cell by cell through the current cell, as the update run reads it back.
void ComparisonRun::colourRow(int row, int colour)
{
    for (int col = 0; col < m_grid.Cols(); ++col) {
        attempt([&] { m_grid.setRow(row); });
        attempt([&] { m_grid.setCol(col); });
        attempt([&] { m_grid.setCellBackColor(colour); });
    }
}

} // namespace

void CommandAggiungiProvvigione_Click(Context& ctx)
{
    ComparisonRun(ctx).run();
}

} // namespace corvane
