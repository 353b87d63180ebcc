#pragma once

#include "manifest.h"

#include <QString>
#include <optional>

namespace corvane {

struct Context;
class FtpSession;

// An update the checks of the published files refuse: which file and what
// is wrong (headline), then why (reason). Both in Italian, for the box.
struct UpdateRefused
{
    QString headline;
    QString reason;
};

// What the download run checks the fetched files against. With the maker's
// public key built in, a manifest whose Ed25519 signature verifies is
// required; without one, a manifest that is there still guards against
// damaged files. Throws UpdateRefused.
class PublishedFiles
{
public:
    // `manifestListed` / `signatureListed`: whether the folder's listing
    // holds CORVANE.MANIFEST / CORVANE.MANIFEST.SIG.
    static PublishedFiles load(Context& ctx, FtpSession& ftp, const QString& currentDirectory,
                               bool manifestListed, bool signatureListed,
                               const QByteArray& publisherKey);

    // A fetched file must be listed with its size and SHA-256.
    void check(const QString& listedName, qint64 size, const QByteArray& sha256) const;
    bool inUse() const { return m_manifest.has_value(); }

private:
    std::optional<Manifest> m_manifest;
    bool m_signed = false;
};

} // namespace corvane
