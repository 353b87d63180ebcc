#pragma once

#include <QByteArray>

namespace corvane::ed25519 {

// Raw Ed25519 keys as RFC 8032 has them: a 32-byte secret seed, a 32-byte
// public key, 64-byte signatures.
inline constexpr int kKeySize = 32;
inline constexpr int kSignatureSize = 64;

struct KeyPair
{
    QByteArray secret;
    QByteArray publicKey;
};

KeyPair generate();
// The public key of a secret seed; empty when the seed is not 32 bytes.
QByteArray publicKeyOf(const QByteArray& secret);
// Throws corvane::Error when the seed is not a usable key.
QByteArray sign(const QByteArray& secret, const QByteArray& message);
// False for a wrong signature, and for a key or signature of the wrong size.
bool verify(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature);

} // namespace corvane::ed25519
