#include "publishedfiles.h"

#include "base/error.h"
#include "base/rawbytes.h"
#include "ed25519.h"
#include "ftpsession.h"
#include "ftpsteps.h"
#include "state/context.h"
#include "texts.h"

namespace corvane {

namespace {

// A manifest of 3000 files with long names stays far below this.
constexpr qint64 kMaxManifestSize = 4 << 20;

// Receives a small published file into memory, up to a limit.
class SmallFileBuffer : public QIODevice
{
public:
    SmallFileBuffer() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    QByteArray bytes;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (bytes.size() + size > kMaxManifestSize) {
            setErrorString(
                QStringLiteral("A manifest file is larger than %1 bytes").arg(kMaxManifestSize));
            return -1;
        }
        bytes.append(data, size);
        return size;
    }
};

[[noreturn]] void refuse(const QString& headline, const QString& reason)
{
    throw UpdateRefused{headline, reason};
}

// The file's bytes, or nothing when the server refuses to hand it over.
std::optional<QByteArray> fetchSmall(FtpSession& ftp, const QString& currentDirectory,
                                     const QString& name)
{
    SmallFileBuffer buffer;
    if (ftp.fetch(remotePathOf(currentDirectory, name), buffer) == FtpSession::Fetch::Refused)
        return std::nullopt;
    return buffer.bytes;
}

Manifest parsed(const QByteArray& text)
{
    try {
        return Manifest::parse(text);
    } catch (const Error& e) {
        refuse(ftptext::ManifestUnreadable.arg(ftptext::Manifest), e.description());
    }
}

} // namespace

PublishedFiles PublishedFiles::load(Context& ctx, FtpSession& ftp, const QString& currentDirectory,
                                    bool manifestListed, bool signatureListed,
                                    const QByteArray& publisherKey)
{
    PublishedFiles files;
    const bool keyBuiltIn = !publisherKey.isEmpty();
    const std::optional<QByteArray> text =
        manifestListed ? fetchSmall(ftp, currentDirectory, ftptext::Manifest) : std::nullopt;
    if (!keyBuiltIn) {
        if (!text) return files; // nothing to check against
        files.m_manifest = parsed(*text);
        ctx.log.record(QStringLiteral("Manifest %1: %2 files, checked for damage (no publisher "
                                      "key built in)")
                           .arg(ftptext::Manifest)
                           .arg(files.m_manifest->entries().size()));
        return files;
    }
    if (!text) refuse(ftptext::ManifestMissing.arg(ftptext::Manifest), ftptext::OnlySignedUpdates);
    const std::optional<QByteArray> signatureText =
        signatureListed ? fetchSmall(ftp, currentDirectory, ftptext::ManifestSignature)
                        : std::nullopt;
    if (!signatureText) {
        refuse(ftptext::SignatureMissing.arg(ftptext::ManifestSignature),
               ftptext::OnlySignedUpdates);
    }
    const std::optional<QByteArray> signature = keyOfText(*signatureText, ed25519::kSignatureSize);
    if (!signature || !ed25519::verify(publisherKey, *text, *signature))
        refuse(ftptext::SignatureInvalid.arg(ftptext::Manifest), ftptext::SignatureInvalidWhy);
    files.m_manifest = parsed(*text);
    files.m_signed = true;
    ctx.log.record(QStringLiteral("Manifest %1: signature verified with the publisher key %2, %3 "
                                  "files")
                       .arg(ftptext::Manifest, QString::fromLatin1(publisherKey.toBase64()))
                       .arg(files.m_manifest->entries().size()));
    return files;
}

void PublishedFiles::check(const QString& listedName, qint64 size, const QByteArray& sha256) const
{
    if (!m_manifest) return;
    const QString headline =
        (m_signed ? ftptext::FileNotSigned : ftptext::FileNotAsListed).arg(listedName);
    const ManifestEntry* entry = m_manifest->find(toRawBytes(listedName));
    if (!entry) refuse(headline, ftptext::NotInManifest);
    if (entry->size != size) refuse(headline, ftptext::SizeDiffers.arg(size).arg(entry->size));
    if (entry->sha256 != sha256) {
        refuse(headline, ftptext::HashDiffers.arg(QString::fromLatin1(sha256.toHex()),
                                                  QString::fromLatin1(entry->sha256.toHex())));
    }
}

} // namespace corvane
