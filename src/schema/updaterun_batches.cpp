#include "updaterun_batches.h"

#include "base/error.h"
#include "db/embeddedexec.h"

namespace corvane::schema {

namespace {

bool isBlank(const QString& text)
{
    for (const QChar c : text)
        if (!c.isSpace()) return false;
    return true;
}

// Where the CR LF that closes a separator found at `at` begins.
constexpr qsizetype kAfterGo = 4;

// The batch rule; `isWhole` tells whether a batch ends where a statement may.
QStringList split(const QString& script, bool (*isWhole)(const QString&))
{
    if (script.isEmpty()) return {};
    qsizetype separator = script.indexOf(BatchSeparator);
    if (separator < 0) {
        if (script.contains(QLatin1String("GO"), Qt::CaseSensitive)) return {};
        return {script};
    }
    QStringList batches;
    qsizetype start = 0;
    bool open = false;
    while (separator >= 0) {
        const QString batch = script.mid(start, separator - start);
        open = !isBlank(batch) && !isWhole(batch);
        if (!open) {
            if (!isBlank(batch)) batches << batch;
            start = separator + kAfterGo;
        }
        // An open batch takes the separator in: it lies inside a string, a
        // quoted name or a comment, where it is text like any other.
        separator = script.indexOf(BatchSeparator, open ? separator + 1 : start);
    }
    if (open) throw Error(errnum::ProviderFailure, QStringLiteral("incomplete input"));
    return batches;
}

} // namespace

QStringList batchesOf(const QString& script)
{
    // SQL Server parses each batch itself and refuses one that stops short.
    return split(script, [](const QString&) { return true; });
}

QStringList embeddedBatchesOf(const QString& script)
{
    return split(script, db::isWholeStatement);
}

} // namespace corvane::schema
