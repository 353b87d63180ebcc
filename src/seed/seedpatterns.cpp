#include "seedpatterns.h"

#include "base/error.h"
#include "state/context.h"

namespace corvane::seed {

RowWriter copied(const QStringList& fieldNames)
{
    return [fieldNames](db::Recordset& row, const db::Recordset& reference) {
        for (const QString& name : fieldNames)
            row.setField(name, reference.field(name));
    };
}

QString numberKey(const QVariant& key)
{
    return key.toString();
}

db::Recordset& Seeder::openLocal(const QString& query, int lockType)
{
    m_lastQuery = query;
    db::Recordset& rs = m_ctx.g.newWorkRecordset();
    if (!m_ctx.g.LocalConnection)
        throw Error(91, QStringLiteral("Object variable or With block variable not set"));
    rs.Open(query, *m_ctx.g.LocalConnection, db::adOpenStatic, lockType, -1);
    return rs;
}

void Seeder::openReference(db::Recordset& rs, const QString& query)
{
    m_lastQuery = query;
    // The reference state is not tested first: a lost connection fails here.
    if (!m_ctx.g.ReferenceConnection)
        throw Error(91, QStringLiteral("Object variable or With block variable not set"));
    rs.Open(query, *m_ctx.g.ReferenceConnection, db::adOpenStatic, db::adLockReadOnly, -1);
}

bool Seeder::localTableHasRows(const QString& probeQuery)
{
    db::Recordset& probe = openLocal(probeQuery, db::adLockReadOnly);
    const bool hasRows = !probe.Eof();
    probe.Close();
    return hasRows;
}

void Seeder::store(db::Recordset& row, const QString& what, bool inserted)
{
    row.Update();
    const QString line = QStringLiteral("SeedDefaultRows: %1 (%2)").arg(what, m_lastQuery);
    if (inserted)
        m_ctx.log.note(RunEvent::RowInserted, line, m_lastQuery);
    else
        m_ctx.log.record(line);
}

void Seeder::fixedRow(const QString& query, const FixedFields& fields)
{
    db::Recordset& rs = openLocal(query, db::adLockPessimistic);
    if (rs.Eof()) {
        rs.AddNew();
        for (const auto& [name, value] : fields)
            rs.setField(name, value);
        store(rs, QStringLiteral("new row"), true);
    }
    rs.Close();
}

void Seeder::copyIntoEmpty(const QString& localQuery, const QString& referenceQuery,
                           const RowWriter& write)
{
    db::Recordset& rs = openLocal(localQuery, db::adLockPessimistic);
    if (rs.Eof()) {
        db::Recordset reference;
        openReference(reference, referenceQuery);
        while (!reference.Eof()) {
            rs.AddNew();
            write(rs, reference);
            store(rs, QStringLiteral("new row into %1").arg(localQuery.trimmed()), true);
            reference.MoveNext();
        }
    }
    rs.Close();
}

void Seeder::byKey(const ByKey& section)
{
    if (!section.probeQuery.isEmpty() && localTableHasRows(section.probeQuery)) return;

    db::Recordset reference;
    openReference(reference, section.referenceQuery);
    while (!reference.Eof()) {
        db::Recordset& rs = openLocal(section.lookup(reference), db::adLockPessimistic);
        if (rs.Eof()) {
            rs.AddNew();
            section.insert(rs, reference);
            store(rs, QStringLiteral("new row"), true);
        } else if (section.update) {
            section.update(rs, reference);
            store(rs, QStringLiteral("row updated"), false);
        }
        reference.MoveNext();
    }
    // Closing what is open only: an empty reference leaves no lookup open.
    if (m_ctx.g.WorkRecordset && m_ctx.g.WorkRecordset->isOpen()) m_ctx.g.WorkRecordset->Close();
    reference.Close();
}

} // namespace corvane::seed
