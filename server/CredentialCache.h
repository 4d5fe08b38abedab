#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

namespace nimbo::server {

// Remembers credentials that passed the slow check, so that the "auth" that
// opens every command connection costs a fast keyed hash instead of the KDF.
// Only keyed digests are held (the key is random per process), and each
// digest covers the stored hash too: a changed password or a re-created user
// no longer matches what was remembered.
class CredentialCache {
public:
    using Digest = std::array<unsigned char, 32>;

    CredentialCache();
    ~CredentialCache();
    CredentialCache(const CredentialCache&) = delete;
    CredentialCache& operator=(const CredentialCache&) = delete;

    Digest DigestOf(const std::string& userId, std::string_view password, const std::string& storedHash) const;
    bool Knows(const std::string& userId, const Digest& digest) const;
    // Keeps one digest per user: the last one verified.
    void Remember(const std::string& userId, const Digest& digest);

private:
    std::array<unsigned char, 32> m_key;
    std::unordered_map<std::string, Digest> m_verified;
};

}  // namespace nimbo::server
