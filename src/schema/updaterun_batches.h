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

} // namespace corvane::schema
