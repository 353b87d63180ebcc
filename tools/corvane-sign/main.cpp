// The maker's tool: makes the Ed25519 key pair whose public half the program
// is built with, and signs a distribution folder before it is published.
#include "base/paths.h"
#include "base/rawbytes.h"
#include "ftpupdate/ed25519.h"
#include "ftpupdate/manifest.h"
#include "ftpupdate/sha256.h"
#include "ftpupdate/texts.h"

#include <QFile>
#include <QStringList>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace corvane;

namespace {

const char* const kUsage =
    "usage:\n"
    "  corvane-sign keygen SECRET-KEY-FILE PUBLIC-KEY-FILE\n"
    "      Makes an Ed25519 key pair. The public key (one line of base64) is the\n"
    "      value of the build setting CORVANE_PUBLISHER_KEY. Keep the secret key\n"
    "      off the update server.\n"
    "  corvane-sign sign SECRET-KEY-FILE FOLDER\n"
    "      Lists every file of FOLDER with its size and SHA-256 in\n"
    "      FOLDER/CORVANE.MANIFEST and signs that list into CORVANE.MANIFEST.SIG.\n"
    "  corvane-sign verify PUBLIC-KEY-FILE FOLDER\n"
    "      Checks the signature and every listed file against FOLDER.\n";

struct Failure
{
    QString text;
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw Failure{path + QStringLiteral(": ") + f.errorString()};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes, bool secret = false)
{
    QFile f(path);
    // A key is never overwritten: losing the maker's key locks out every update.
    const QIODevice::OpenMode mode =
        secret ? QIODevice::WriteOnly | QIODevice::NewOnly : QIODevice::WriteOnly;
    if (!f.open(mode) || (secret && !f.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) ||
        f.write(bytes) != bytes.size() || !f.flush())
        throw Failure{path + QStringLiteral(": ") + f.errorString()};
}

QByteArray keyFrom(const QString& path, int size)
{
    const std::optional<QByteArray> key = keyOfText(readFile(path), size);
    if (!key) throw Failure{path + QStringLiteral(": not a key written by corvane-sign keygen")};
    return *key;
}

ManifestEntry describe(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{fromFsPath(path) + QStringLiteral(": cannot be read")};
    Sha256 hash;
    std::vector<char> block(1 << 20);
    qint64 size = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        hash.add(block.data(), in.gcount());
        size += in.gcount();
    }
    if (in.bad()) throw Failure{fromFsPath(path) + QStringLiteral(": read error")};
    return {toRawBytes(fromFsPath(path.filename())), size, hash.result()};
}

// Every file of the folder but the manifest's own two.
Manifest manifestOf(const QString& folder)
{
    Manifest manifest;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(toFsPath(folder), ec)) {
        const QString name = fromFsPath(entry.path().filename());
        if (!entry.is_regular_file() || name == ftptext::Manifest ||
            name == ftptext::ManifestSignature)
            continue;
        if (!manifest.add(describe(entry.path())))
            throw Failure{name + QStringLiteral(": this name cannot be listed")};
    }
    if (ec) throw Failure{folder + QStringLiteral(": ") + QString::fromLocal8Bit(ec.message())};
    return manifest;
}

int keygen(const QString& secretFile, const QString& publicFile)
{
    const ed25519::KeyPair pair = ed25519::generate();
    writeFile(secretFile, textOfKey(pair.secret), true);
    writeFile(publicFile, textOfKey(pair.publicKey));
    std::printf("public key (CORVANE_PUBLISHER_KEY): %s", textOfKey(pair.publicKey).constData());
    return 0;
}

int sign(const QString& secretFile, const QString& folder)
{
    const QByteArray secret = keyFrom(secretFile, ed25519::kKeySize);
    const Manifest manifest = manifestOf(folder);
    const QByteArray text = manifest.text();
    writeFile(folder + QLatin1Char('/') + ftptext::Manifest, text);
    writeFile(folder + QLatin1Char('/') + ftptext::ManifestSignature,
              textOfKey(ed25519::sign(secret, text)));
    std::printf("signed %lld files of %s with the key %s", qlonglong(manifest.entries().size()),
                qPrintable(folder), textOfKey(ed25519::publicKeyOf(secret)).constData());
    return 0;
}

int verify(const QString& publicFile, const QString& folder)
{
    const QByteArray key = keyFrom(publicFile, ed25519::kKeySize);
    const QByteArray text = readFile(folder + QLatin1Char('/') + ftptext::Manifest);
    const std::optional<QByteArray> signature = keyOfText(
        readFile(folder + QLatin1Char('/') + ftptext::ManifestSignature), ed25519::kSignatureSize);
    if (!signature || !ed25519::verify(key, text, *signature))
        throw Failure{QStringLiteral("the signature of the manifest is not valid for this key")};
    const Manifest listed = Manifest::parse(text);
    const Manifest present = manifestOf(folder);
    int wrong = 0;
    for (const ManifestEntry& e : listed.entries()) {
        const ManifestEntry* found = present.find(e.name);
        if (found && found->size == e.size && found->sha256 == e.sha256) continue;
        std::fprintf(stderr, "%s: %s\n", e.name.constData(), found ? "changed" : "missing");
        ++wrong;
    }
    for (const ManifestEntry& e : present.entries()) {
        if (!listed.find(e.name)) {
            std::fprintf(stderr, "%s: not listed\n", e.name.constData());
            ++wrong;
        }
    }
    if (wrong) return 1;
    std::printf("%lld files match the signed manifest\n", qlonglong(listed.entries().size()));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        if (args[0] == QLatin1String("keygen")) return keygen(args[1], args[2]);
        if (args[0] == QLatin1String("sign")) return sign(args[1], args[2]);
        if (args[0] == QLatin1String("verify")) return verify(args[1], args[2]);
    } catch (const Failure& f) {
        std::fprintf(stderr, "corvane-sign: %s\n", qPrintable(f.text));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane-sign: %s\n", e.what());
        return 1;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
