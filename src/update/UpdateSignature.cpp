// Checks of the publisher's signature and of file contents, through libsodium: the only place
// that touches cryptography.
#include "update/UpdateSignature.h"

#include "util/Trace.h"

#include <sodium.h>

#include <cstdio>

namespace
{
bool Ready()
{
    // Safe to call from any thread and any number of times; negative only when the library can
    // not work at all.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::string Hex(const unsigned char* bytes, size_t length)
{
    std::string text(length * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), bytes, length);
    text.pop_back();
    return text;
}
} // namespace

bool UpdateSignature::Verify(const std::string& message, const std::string& signature,
                             const std::vector<std::string>& publicKeys)
{
    SOLVANE_TRACE("[static]UpdateSignature::Verify(%zu bytes, %zu keys)", message.size(), publicKeys.size());
    if (!Ready() || signature.size() != crypto_sign_BYTES)
        return false;
    for (const std::string& hex : publicKeys)
    {
        unsigned char key[crypto_sign_PUBLICKEYBYTES];
        size_t length = 0;
        if (hex.size() != 2 * sizeof key ||
            sodium_hex2bin(key, sizeof key, hex.data(), hex.size(), nullptr, &length, nullptr) != 0 ||
            length != sizeof key)
            continue;
        if (crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                        reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                                        key) == 0)
            return true;
    }
    return false;
}

std::string UpdateSignature::Sha256(const std::string& bytes)
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    if (!Ready())
        return std::string();
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return Hex(digest, sizeof digest);
}

std::string UpdateSignature::Sha256OfFile(const wxString& path)
{
    SOLVANE_TRACE("[static]UpdateSignature::Sha256OfFile(%s)", path);
    std::FILE* file = Ready() ? std::fopen(path.fn_str(), "rb") : nullptr;
    if (!file)
        return std::string();
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    unsigned char buffer[64 * 1024];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        crypto_hash_sha256_update(&state, buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256_final(&state, digest);
    return failed ? std::string() : Hex(digest, sizeof digest);
}
