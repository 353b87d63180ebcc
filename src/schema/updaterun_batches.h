#pragma once

#include "sqldmo.h"

#include <QString>
#include <QStringList>

namespace corvane::schema {

// The statements to send, in order, for one script text:
//  - with separators: every batch that ends at one (each further batch starts
//    at the CR LF after the "GO"); the text after the last one is never sent;
//  - without: the whole text, unless it holds "GO" anywhere (then nothing);
//  - an empty text: nothing.
// A batch of blanks only is not a statement and is left out.
QStringList batchesOf(const QString& script);

// The same rule for the embedded engine, where a batch is sent only as the
// whole statement it is: a separator that falls inside a string, a quoted
// name or a comment does not end the batch. A batch still open at the last
// separator is never sent: corvane::Error ("incomplete input").
QStringList embeddedBatchesOf(const QString& script);

} // namespace corvane::schema
