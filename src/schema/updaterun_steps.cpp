#include "updaterun_steps.h"

#include "base/error.h"
#include "base/strings.h"
#include "dbversion/dbversion.h"
#include "ftpupdate/download.h"
#include "ftpupdate/installer.h"
#include "ftpupdate/texts.h"
#include "state/context.h"
#include "state/programfolder.h"
#include "updaterun_texts.h"

#include <QDir>

namespace corvane::schema {

namespace {

bool isOpen(const std::unique_ptr<db::Connection>& c)
{
    return c && c->State() == db::adStateOpen;
}

// The reference version, trimmed; "Nessuna" when there is no row (or no value).
QString readReferenceVersion(Context& ctx)
{
    QString version = updatetext::NoVersion;
    if (!isOpen(ctx.g.ReferenceConnection)) return version;
    db::Recordset& rs = ctx.g.newWorkRecordset();
    rs.Open(updatetext::ReferenceVersionQuery, *ctx.g.ReferenceConnection, db::adOpenStatic,
            db::adLockReadOnly, -1);
    if (!rs.Eof()) {
        const QVariant value = rs.field(QStringLiteral("Valore"));
        // A NULL version is no version: nothing would be worth writing.
        if (!value.isNull()) version = trimSpaces(value.toString());
    }
    rs.Close();
    return version;
}

} // namespace

db::Connection& localConnection(Context& ctx)
{
    if (!ctx.g.LocalConnection)
        throw Error(91, QStringLiteral("Object variable or With block variable not set"));
    return *ctx.g.LocalConnection;
}

bool executeLocalStatement(Context& ctx, const QString& sql)
{
    if (ctx.g.PreviewMode) {
        ctx.log.note(RunEvent::StatementPreviewed,
                     QStringLiteral("Cmd_Click: preview: %1").arg(sql), sql);
        return false;
    }
    try {
        ctx.g.newWorkRecordset().Open(sql, localConnection(ctx), db::adOpenStatic,
                                      db::adLockPessimistic, -1);
        ctx.g.WorkRecordset.reset();
    } catch (const Error& e) {
        logFailed(ctx, e, sql);
        throw;
    }
    logExecuted(ctx, sql);
    return true;
}

void logExecuted(Context& ctx, const QString& sql)
{
    ctx.log.note(RunEvent::StatementExecuted, QStringLiteral("Cmd_Click: executed: %1").arg(sql),
                 sql);
}

void logFailed(Context& ctx, const Error& e, const QString& sql)
{
    ctx.log.note(RunEvent::StatementFailed,
                 QStringLiteral("Cmd_Click: failed %1 -- %2: %3")
                     .arg(e.number())
                     .arg(e.description(), sql),
                 sql);
}

void writeDatabaseVersion(Context& ctx)
{
    ctx.form.lblDBDashmoor.setCaption(updatetext::NoVersion);
    ctx.form.lblDBDashmoor.setCaption(readReferenceVersion(ctx));
    const QString caption = ctx.form.lblDBDashmoor.caption();
    if (caption.toUpper() == updatetext::NoVersion.toUpper() || !isOpen(ctx.g.LocalConnection))
        return;
    const QString version = trimSpaces(caption.toUpper());
    // Doubled quotes: a version text holding one must not break the statement.
    if (!executeLocalStatement(ctx, QStringLiteral("Update Parametri SET Valore = '") +
                                        DoubleQuotes(version) +
                                        QStringLiteral("' where IDParametro = 1")))
        return;
    ctx.log.note(RunEvent::VersionWritten,
                 QStringLiteral("Cmd_Click: version %1 written").arg(version), version);
    ctx.form.lblBDLocale.setCaption(version);
}

void takeLibraryMissingPath(Context& ctx)
{
    ctx.port.messageBox(updatetext::LibraryMissing, updatetext::LibraryMissingTitle,
                        style::Critical);
    // A preview installs and fetches nothing.
    if (ctx.g.PreviewMode) return;
    const QString installer = IsWindows64Bit() ? ftptext::Package64 : ftptext::Package32;
    const QString folder = ctx.port.programFolder();
    if (existsInFolder(folder, installer)) {
        const QString path = resolveInFolder(folder, installer);
        ctx.log.record(QStringLiteral("Cmd_Click: opening %1").arg(QDir::toNativeSeparators(path)));
        ctx.port.shellOpen(path, folder);
        ctx.port.setMousePointer(pointer::Icon);
        ctx.form.setEnabled(true);
        return;
    }
    ctx.port.setMousePointer(pointer::Icon);
    ctx.form.setEnabled(true);
    cmdNuovaVer_Click(ctx);
}

} // namespace corvane::schema
