#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

namespace corvane {

// The folder of a 257 reply, quotes undoubled: 257 "/a ""b""" -> /a "b".
QByteArray folderFromReply(const QByteArray& reply);

// The names of an NLST reply in the server's order, each cut at a NUL.
QList<QByteArray> namesOfNameList(const QByteArray& listing);

// The size a LIST reply gives for `name`, in the Unix form
// ("-rw-r--r-- 1 owner group 303072 Jan 01 12:00 NAME") or the DOS form
// ("01-01-24  12:00PM  303072 NAME"). Nothing for a folder or when no line
// names exactly that file.
std::optional<qint64> sizeInListing(const QByteArray& listing, const QByteArray& name);

} // namespace corvane
