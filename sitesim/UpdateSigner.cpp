// The publisher's side of signed updates: the release statement for the files on offer and its
// detached Ed25519 signature, honest or, on request, wrong in one of the ways the tests need.
#include "UpdateSigner.h"

#include <sodium.h>

namespace sitesim
{
namespace
{
const char* const kTrickNames[] = {"none",    "unsigned", "no-statement", "wrong-key", "bad-signature", "tampered-statement",
                                   "older",   "expired",  "mismatch",     "truncated", "oversized",     "bad-skin",
                                   "larger-in-statement"};

std::string Hex(const unsigned char* bytes, size_t length)
{
    std::string text(length * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), bytes, length);
    text.pop_back();
    return text;
}

bool Seed(const std::string& hex, unsigned char (&seed)[crypto_sign_SEEDBYTES])
{
    size_t length = 0;
    return sodium_init() >= 0 && hex.size() == 2 * crypto_sign_SEEDBYTES &&
           sodium_hex2bin(seed, sizeof seed, hex.data(), hex.size(), nullptr, &length, nullptr) == 0 &&
           length == sizeof seed;
}
} // namespace

const char* UpdateTrickName(UpdateTrick trick)
{
    return kTrickNames[static_cast<int>(trick)];
}

bool ParseUpdateTrick(const std::string& name, UpdateTrick& trick)
{
    for (int t = 0; t <= static_cast<int>(UpdateTrick::LargerInStatement); ++t)
        if (name == kTrickNames[t])
        {
            trick = static_cast<UpdateTrick>(t);
            return true;
        }
    return false;
}

void MakeUpdateKey(std::string& seedHex, std::string& publicHex)
{
    unsigned char seed[crypto_sign_SEEDBYTES];
    if (sodium_init() < 0)
        return;
    randombytes_buf(seed, sizeof seed);
    seedHex = Hex(seed, sizeof seed);
    publicHex = UpdatePublicKey(seedHex);
}

std::string UpdatePublicKey(const std::string& seedHex)
{
    unsigned char seed[crypto_sign_SEEDBYTES], publicKey[crypto_sign_PUBLICKEYBYTES], secret[crypto_sign_SECRETKEYBYTES];
    if (!Seed(seedHex, seed))
        return std::string();
    crypto_sign_seed_keypair(publicKey, secret, seed);
    return Hex(publicKey, sizeof publicKey);
}

std::string Sha256Hex(const std::string& bytes)
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    if (sodium_init() < 0)
        return std::string();
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return Hex(digest, sizeof digest);
}

std::string SignDetached(const std::string& message, const std::string& seedHex)
{
    unsigned char seed[crypto_sign_SEEDBYTES], publicKey[crypto_sign_PUBLICKEYBYTES], secret[crypto_sign_SECRETKEYBYTES];
    if (!Seed(seedHex, seed))
        return std::string();
    crypto_sign_seed_keypair(publicKey, secret, seed);
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                         secret);
    sodium_memzero(secret, sizeof secret);
    return std::string(reinterpret_cast<const char*>(signature), sizeof signature);
}

std::string UpdateSigner::Statement(const std::string& version, long long expires,
                                    const std::map<std::string, std::string>& files)
{
    std::string text = "product Solvane\nversion " + version + "\nexpires " + std::to_string(expires) + "\n";
    for (const auto& [kind, body] : files)
        text += "file " + kind + " " + std::to_string(body.size()) + " " + Sha256Hex(body) + "\n";
    return text;
}

} // namespace sitesim
