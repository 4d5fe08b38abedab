#include "server/CredentialCache.h"

#include <sodium.h>

#include <cstdint>

#include "server/PasswordHash.h"

namespace nimbo::server {

static_assert(crypto_generichash_KEYBYTES == 32);
static_assert(crypto_generichash_BYTES == 32);

CredentialCache::CredentialCache() {
    PasswordHash::Initialize();
    randombytes_buf(m_key.data(), m_key.size());
}

CredentialCache::~CredentialCache() { sodium_memzero(m_key.data(), m_key.size()); }

CredentialCache::Digest CredentialCache::DigestOf(const std::string& userId, std::string_view password,
                                                  const std::string& storedHash) const {
    // Each part is preceded by its length, so that no two different triples
    // feed the same bytes to the hash.
    crypto_generichash_state state;
    crypto_generichash_init(&state, m_key.data(), m_key.size(), crypto_generichash_BYTES);
    for (std::string_view part : {std::string_view(userId), password, std::string_view(storedHash)}) {
        std::uint64_t length = part.size();
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&length), sizeof length);
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(part.data()), part.size());
    }
    Digest digest;
    crypto_generichash_final(&state, digest.data(), digest.size());
    return digest;
}

bool CredentialCache::Knows(const std::string& userId, const Digest& digest) const {
    auto found = m_verified.find(userId);
    return found != m_verified.end() && sodium_memcmp(found->second.data(), digest.data(), digest.size()) == 0;
}

void CredentialCache::Remember(const std::string& userId, const Digest& digest) { m_verified[userId] = digest; }

}  // namespace nimbo::server
