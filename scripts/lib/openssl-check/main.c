/* SHA-256 against a known digest, and an Ed25519 signature that verifies
 * for its message and fails for a changed one. Exit 0 only if all hold. */
#include <openssl/evp.h>
#include <stdio.h>
#include <string.h>

static int sha256_ok(void)
{
    static const unsigned char expected[32] = {
        0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40, 0xde, 0x5d, 0xae, 0x22, 0x23,
        0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17, 0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
    unsigned char digest[32];
    unsigned int length = 0;
    return EVP_Digest("abc", 3, digest, &length, EVP_sha256(), NULL) && length == 32 &&
           memcmp(digest, expected, 32) == 0;
}

static int verifies(EVP_PKEY* key, const unsigned char* sig, size_t sig_len,
                    const unsigned char* msg, size_t msg_len)
{
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    int ok = ctx && EVP_DigestVerifyInit(ctx, NULL, NULL, NULL, key) == 1 &&
             EVP_DigestVerify(ctx, sig, sig_len, msg, msg_len) == 1;
    EVP_MD_CTX_free(ctx);
    return ok;
}

static int ed25519_ok(void)
{
    static const unsigned char msg[] = "CORVANE.EXE 2.0.0.15";
    unsigned char changed[sizeof msg];
    unsigned char sig[64];
    size_t sig_len = sizeof sig;
    EVP_PKEY* key = EVP_PKEY_Q_keygen(NULL, NULL, "ED25519");
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    int ok = key && ctx && EVP_DigestSignInit(ctx, NULL, NULL, NULL, key) == 1 &&
             EVP_DigestSign(ctx, sig, &sig_len, msg, sizeof msg) == 1 && sig_len == 64;
    memcpy(changed, msg, sizeof msg);
    changed[0] ^= 1;
    ok = ok && verifies(key, sig, sig_len, msg, sizeof msg) &&
         !verifies(key, sig, sig_len, changed, sizeof changed);
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(key);
    return ok;
}

int main(void)
{
    const int sha = sha256_ok(), ed = ed25519_ok();
    printf("%s: SHA-256 %s, Ed25519 %s\n", OpenSSL_version(OPENSSL_VERSION), sha ? "ok" : "WRONG",
           ed ? "ok" : "WRONG");
    return sha && ed ? 0 : 1;
}
