#include "dbversion.h"

#include "base/error.h"
#include "base/strings.h"
#include "state/context.h"

#include <QDate>

namespace corvane {

namespace {

const QString kNone = QStringLiteral("Nessuna");
const QString kVersionQuery = QStringLiteral("Select Valore FROM Parametri where IDParametro = 1");
const QString kCustomerQuery =
    QStringLiteral("Select RagioneSociale FROM soggetti where IDsoggetto = 1");

bool isOpen(const std::unique_ptr<db::Connection>& connection)
{
    return connection && connection->State() == db::adStateOpen;
}

// A field used as text: a NULL cannot be, as in the original program.
QString textOf(const QVariant& value)
{
    if (value.isNull()) throw Error(94, QStringLiteral("Invalid use of Null"));
    return value.toString();
}

// Reads the local version into lblBDLocale and returns the customer name.
// An error leaves what was read so far.
void readLocalPart(Context& ctx, QString& customer)
{
    GlobalState& g = ctx.g;
    db::Recordset& version = g.newWorkRecordset();
    version.Open(kVersionQuery, g.local(), db::adOpenStatic, db::adLockReadOnly);
    if (!version.Eof())
        ctx.form.lblBDLocale.setCaption(
            trimSpaces(textOf(version.field(QStringLiteral("Valore")))));
    version.Close();

    db::Recordset& firm = g.newWorkRecordset();
    firm.Open(kCustomerQuery, g.local(), db::adOpenStatic, db::adLockReadOnly);
    if (!firm.Eof())
        customer = trimSpaces(textOf(firm.field(QStringLiteral("RagioneSociale")))).toUpper();
    firm.Close();
}

void writeUpdateLog(Context& ctx, const QString& customer)
{
    GlobalState& g = ctx.g;
    db::Recordset& log = g.newWorkRecordset();
    log.Open(QStringLiteral("Select * FROM InfoAggiornamenti where nome = '") +
                 DoubleQuotes(customer) + QStringLiteral("'"),
             g.reference(), db::adOpenStatic, db::adLockPessimistic);
    if (log.Eof()) log.AddNew();
    log.setField(QStringLiteral("Nome"), customer);
    log.setField(QStringLiteral("Data"), QDate::currentDate());
    log.setField(QStringLiteral("Versione"), ctx.form.lblDBDashmoor.caption());
    log.Update();
    log.Close();
}

} // namespace

void CheckDatabaseVersion(Context& ctx)
{
    FormState& form = ctx.form;
    GlobalState& g = ctx.g;
    try {
        form.lblBDLocale.setCaption(kNone);
        QString customer;
        if (isOpen(g.LocalConnection)) {
            try {
                readLocalPart(ctx, customer);
            } catch (const Error&) {
                // The local part is abandoned; the reference part still runs.
            }
        }

        form.lblDBDashmoor.setCaption(kNone);
        if (isOpen(g.ReferenceConnection)) {
            db::Recordset& version = g.newWorkRecordset();
            version.Open(kVersionQuery, g.reference(), db::adOpenStatic, db::adLockReadOnly);
            if (!version.Eof())
                form.lblDBDashmoor.setCaption(
                    trimSpaces(textOf(version.field(QStringLiteral("Valore")))));
            version.Close();
            if (!customer.isEmpty()) writeUpdateLog(ctx, customer);
        }

        const QString local = trimSpaces(form.lblBDLocale.caption());
        const bool same = trimSpaces(form.lblDBDashmoor.caption()) == local && local != kNone;
        const int c = same ? colour::Green : colour::Red;
        form.lblBDLocale.setForeColour(c);
        form.lblDBDashmoor.setForeColour(c);
    } catch (const Error&) {
        // Silent by design: the two labels are the check's only output.
    }
}

} // namespace corvane
