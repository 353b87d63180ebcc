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

} // namespace

QStringList batchesOf(const QString& script)
{
    if (script.isEmpty()) return {};
    qsizetype separator = script.indexOf(BatchSeparator);
    if (separator < 0) {
        if (script.contains(QLatin1String("GO"), Qt::CaseSensitive)) return {};
        return {script};
    }
    QStringList batches;
    qsizetype start = 0;
    while (separator >= 0) {
        const QString batch = script.mid(start, separator - start);
        if (!isBlank(batch)) batches << batch;
        start = separator + kAfterGo;
        separator = script.indexOf(BatchSeparator, start);
    }
    return batches;
}

QStringList embeddedBatchesOf(const QString& script)
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
        open = !isBlank(batch) && !db::isWholeStatement(batch);
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

} // namespace corvane::schema
