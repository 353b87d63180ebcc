#include "comparison_retry.h"

#include "state/context.h"

namespace corvane::schema {

Error objectClosed()
{
    return Error(3704, QStringLiteral("Operation is not allowed when the object is closed."));
}

db::Connection& ReferenceRetry::reference()
{
    if (!m_ctx.g.ReferenceConnection) throw objectClosed();
    return *m_ctx.g.ReferenceConnection;
}

void ReferenceRetry::recover(const Error& failure)
{
    ++m_failures;
    if (m_failures > kFailuresAllowed) throw RunAbandoned{failure};
    try {
        reopenReference(failure);
    } catch (const Error& reopenFailure) {
        // Nothing left to retry against: end the run as at the last failure.
        throw RunAbandoned{reopenFailure};
    }
}

void ReferenceRetry::reopenReference(const Error& failure)
{
    m_ctx.form.FrameInfo.setVisible(true);
    m_ctx.port.yield();

    // Opened before it replaces the old object, so a failed reopening leaves
    // the program with the connection it had rather than a half-made one.
    auto fresh = std::make_unique<db::Connection>();
    try {
        fresh->Open(m_ctx.g.ReferenceConnectionString, QString(), QString(),
                    db::adOptionUnspecified);
    } catch (const Error&) {
        m_ctx.form.FrameInfo.setVisible(false);
        throw;
    }
    if (m_ctx.g.ReferenceConnection) m_retired.push_back(std::move(m_ctx.g.ReferenceConnection));
    m_ctx.g.ReferenceConnection = std::move(fresh);
    m_ctx.log.record(QStringLiteral("CommandAggiungiProvvigione_Click: reference connection "
                                    "reopened after: %1 -- %2")
                         .arg(failure.number())
                         .arg(failure.description()));

    m_ctx.form.FrameInfo.setVisible(false);
    m_ctx.port.yield();
}

} // namespace corvane::schema
