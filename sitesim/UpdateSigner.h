// The publisher's side of signed updates: the release statement for the files on offer and its
// detached Ed25519 signature, honest or, on request, wrong in one of the ways the tests need.
#pragma once

#include <map>
#include <string>

namespace sitesim
{

/// Ways the update service can misbehave on purpose; each must make the program refuse the update.
enum class UpdateTrick
{
    None,
    Unsigned,          // the statement comes without a signature
    NoStatement,       // the files come without a statement
    WrongKey,          // signed by a key the program does not know
    BadSignature,      // one bit of the signature flipped
    TamperedStatement, // one bit of the statement flipped after signing
    Older,             // the statement offers a version older than any program asks with
    Expired,           // the statement expired a day ago
    Mismatch,          // the module served differs in one bit from the one the statement describes
    Truncated,         // the module served is shorter than the statement says
    Oversized,         // the module served is longer than the statement says
    BadSkin,           // the skin served differs in one bit from the one the statement describes
    LargerInStatement, // the statement gives the module a size larger than it is, its SHA-256 right
};

/// "none", "unsigned", "no-statement", "wrong-key", "bad-signature", "tampered-statement",
/// "older", "expired", "mismatch", "truncated", "oversized", "bad-skin", "larger-in-statement".
const char* UpdateTrickName(UpdateTrick trick);
bool ParseUpdateTrick(const std::string& name, UpdateTrick& trick);

/// A new key pair: the secret seed and the public key, 64 hexadecimal digits each.
void MakeUpdateKey(std::string& seedHex, std::string& publicHex);
/// The public key of a secret seed; "" when the seed is not 64 hexadecimal digits.
std::string UpdatePublicKey(const std::string& seedHex);
/// SHA-256 of bytes, 64 lower-case hexadecimal digits.
std::string Sha256Hex(const std::string& bytes);
/// The detached Ed25519 signature (64 bytes) of message by the seed's key; "" for a bad seed.
std::string SignDetached(const std::string& message, const std::string& seedHex);

class UpdateSigner
{
public:
    /// The statement for files keyed by kind ("module", "skin", "mo", "manifest") at version,
    /// expiring at expires (seconds since 1970).
    static std::string Statement(const std::string& version, long long expires,
                                 const std::map<std::string, std::string>& files);
};

} // namespace sitesim
