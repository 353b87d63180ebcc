#include "seedpatterns.h"

#include "base/error.h"
#include "base/strings.h"
#include "state/context.h"

#include <cmath>

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
    if (key.isNull()) return {};
    // Whatever the driver hands over (an integer, a double, the text of a
    // numeric), only the number read from it goes into the query.
    bool isInteger = false;
    const qlonglong integer = key.toString().trimmed().toLongLong(&isInteger);
    if (isInteger) return QString::number(integer);
    bool isNumber = false;
    const double number = key.toString().trimmed().toDouble(&isNumber);
    if (isNumber && std::isfinite(number)) return QString::number(number, 'g', 17);
    return {};
}

QString Seeder::lookupOf(const ByKey& section, const db::Recordset& reference)
{
    const QVariant key = reference.field(section.keyField);
    if (section.textKey)
        return section.lookupPrefix + DoubleQuotes(key.toString()) + QLatin1Char('\'');
    const QString number = numberKey(key);
    return number.isEmpty() ? QString() : section.lookupPrefix + number;
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
        const QString lookup = lookupOf(section, reference);
        if (lookup.isEmpty()) {
            // A key is a value, never SQL: one that is not a number is left out.
            const QVariant key = reference.field(section.keyField);
            m_ctx.log.record(
                QStringLiteral("SeedDefaultRows: row skipped, %1 %2 is not a number (%3)")
                    .arg(section.keyField,
                         key.isNull() ? QStringLiteral("NULL")
                                      : QLatin1Char('\'') + key.toString() + QLatin1Char('\''),
                         section.referenceQuery.trimmed()));
            reference.MoveNext();
            continue;
        }
        db::Recordset& rs = openLocal(lookup, db::adLockPessimistic);
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
