#include "embeddedbatch.h"

#include <sqlite3.h>

namespace corvane::db {

namespace {

bool isBlank(const QByteArray& text)
{
    return text.trimmed().isEmpty() || text.trimmed() == ";";
}

} // namespace

QStringList splitEmbeddedBatch(const QString& sql)
{
    if (!sql.contains(u';')) return {sql};
    const QByteArray text = sql.toUtf8();
    QStringList statements;
    qsizetype start = 0;
    for (qsizetype semicolon = text.indexOf(';'); semicolon >= 0;
         semicolon = text.indexOf(';', semicolon + 1)) {
        const QByteArray piece = text.mid(start, semicolon + 1 - start);
        if (!sqlite3_complete(piece.constData())) continue;
        if (!isBlank(piece)) statements << QString::fromUtf8(piece);
        start = semicolon + 1;
    }
    const QByteArray rest = text.mid(start);
    if (!isBlank(rest)) statements << QString::fromUtf8(rest);
    return statements;
}

} // namespace corvane::db
