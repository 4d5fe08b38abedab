#pragma once

#include <string>
#include <string_view>

namespace nimbo::server {

// Passwords are kept only as slow, salted KDF hashes (Argon2id through
// libsodium), so that a stolen directory file does not give them away.
// A password is hashed as the bytes a client sends: device code page text.
class PasswordHash {
public:
    // Throws std::runtime_error when libsodium cannot start or memory runs out.
    static std::string Make(std::string_view password);
    // Slow on purpose: about a quarter of a second of one core.
    static bool Matches(const std::string& hash, std::string_view password);
    // Starts libsodium (idempotent, thread-safe); throws when it cannot.
    static void Initialize();
    // A hash of a random password, made once per process like every stored
    // hash: checking a sign-in of an unknown user against it costs what a
    // wrong password of a real user costs.
    static const std::string& Dummy();
};

}  // namespace nimbo::server
