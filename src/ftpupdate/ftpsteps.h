#pragma once

#include "ftpsession.h"

#include <QString>
#include <functional>
#include <memory>

namespace corvane {

struct Context;

// The most entries a listing of the distribution folder may hold.
inline constexpr int kMaxListedEntries = 3000;

// An open session on the update server and the folder it reported as current.
struct UpdateServerSession
{
    std::unique_ptr<FtpSession> ftp;
    QString currentDirectory;
};

// Logs in and moves to the distribution folder. Nothing when the server
// could not be reached: the reason has been shown and the caller ends.
std::optional<UpdateServerSession> ApriSessioneFtp(Context& ctx);

// Adds the accepted names to ListFile (not cleared) and returns how many
// entries the listing held: 0 when it could not be started. Throws past 3000.
int ElencaCartellaFtp(Context& ctx, FtpSession& ftp, const QString& currentDirectory,
                      const std::function<bool(const QString&)>& accept);

// Looks at a fetched file (its size and SHA-256) before it takes its final
// name, and throws to keep it out.
using FetchedFileCheck = std::function<void(qint64 size, const QByteArray& sha256)>;

// Fetches one file into the program folder. False, and nothing written, when
// the server refuses to open it. The bytes arrive under a short hidden name
// and replace the old file in a single step once complete and accepted by
// `check`; a transfer cut short, a write that fails or a refusal throws and
// leaves the old file as it was.
bool ScaricaFileFtp(Context& ctx, FtpSession& ftp, const QString& remotePath,
                    const QString& localPath, const FetchedFileCheck& check = {});

// The remote path of a listed name.
QString remotePathOf(const QString& currentDirectory, const QString& name);

} // namespace corvane
