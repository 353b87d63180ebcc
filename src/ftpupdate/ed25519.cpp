#include "ed25519.h"

#include "base/error.h"

#include <memory>
#include <openssl/evp.h>

namespace corvane::ed25519 {

namespace {

const unsigned char* bytes(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

struct PKeyFree
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdFree
{
    void operator()(EVP_MD_CTX* md) const { EVP_MD_CTX_free(md); }
};
using PKey = std::unique_ptr<EVP_PKEY, PKeyFree>;
using MdContext = std::unique_ptr<EVP_MD_CTX, MdFree>;

PKey secretKey(const QByteArray& secret)
{
    if (secret.size() != kKeySize) return nullptr;
    return PKey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, bytes(secret),
                                             static_cast<size_t>(secret.size())));
}

Error failure(const char* what)
{
    return Error(errnum::ProviderFailure, QStringLiteral("Ed25519: %1").arg(QLatin1String(what)));
}

} // namespace

KeyPair generate()
{
    EVP_PKEY* raw = nullptr;
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    const bool made =
        context && EVP_PKEY_keygen_init(context) == 1 && EVP_PKEY_keygen(context, &raw) == 1;
    EVP_PKEY_CTX_free(context);
    const PKey key(raw);
    if (!made) throw failure("cannot make a key");
    KeyPair pair;
    pair.secret.resize(kKeySize);
    size_t length = kKeySize;
    EVP_PKEY_get_raw_private_key(key.get(), reinterpret_cast<unsigned char*>(pair.secret.data()),
                                 &length);
    pair.publicKey = publicKeyOf(pair.secret);
    return pair;
}

QByteArray publicKeyOf(const QByteArray& secret)
{
    const PKey key = secretKey(secret);
    if (!key) return {};
    QByteArray publicKey(kKeySize, Qt::Uninitialized);
    size_t length = kKeySize;
    if (EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(publicKey.data()),
                                    &length) != 1)
        return {};
    return publicKey;
}

QByteArray sign(const QByteArray& secret, const QByteArray& message)
{
    const PKey key = secretKey(secret);
    const MdContext md(EVP_MD_CTX_new());
    if (!key || !md) throw failure("not a secret key");
    QByteArray signature(kSignatureSize, Qt::Uninitialized);
    size_t length = kSignatureSize;
    if (EVP_DigestSignInit(md.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(md.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       bytes(message), static_cast<size_t>(message.size())) != 1)
        throw failure("cannot sign");
    return signature;
}

bool verify(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature)
{
    if (publicKey.size() != kKeySize || signature.size() != kSignatureSize) return false;
    const PKey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytes(publicKey),
                                               static_cast<size_t>(publicKey.size())));
    const MdContext md(EVP_MD_CTX_new());
    if (!key || !md) return false;
    return EVP_DigestVerifyInit(md.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(md.get(), bytes(signature), static_cast<size_t>(signature.size()),
                            bytes(message), static_cast<size_t>(message.size())) == 1;
}

} // namespace corvane::ed25519
