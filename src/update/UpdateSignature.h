// Checks of the publisher's signature and of file contents, through libsodium: the only place
// that touches cryptography.
#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

class UpdateSignature
{
public:
    UpdateSignature() = delete;

    /// True when signature is the Ed25519 signature of message by one of the public keys (each 64
    /// hexadecimal digits; a key that is not is skipped).
    static bool Verify(const std::string& message, const std::string& signature,
                       const std::vector<std::string>& publicKeys);
    /// SHA-256 of bytes, as 64 lower-case hexadecimal digits.
    static std::string Sha256(const std::string& bytes);
    /// SHA-256 of a whole file, read in pieces; "" when it can not be read.
    static std::string Sha256OfFile(const wxString& path);
};
