#include "server/PasswordHash.h"

#include <sodium.h>

#include <stdexcept>

namespace nimbo::server {

void PasswordHash::Initialize() {
    if (sodium_init() < 0)
        throw std::runtime_error("sodium_init failed");
}

std::string PasswordHash::Make(std::string_view password) {
    Initialize();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("crypto_pwhash_str: out of memory");
    return hash;
}

const std::string& PasswordHash::Dummy() {
    static const std::string dummy = [] {
        Initialize();
        unsigned char password[32];
        randombytes_buf(password, sizeof password);
        return Make(std::string_view(reinterpret_cast<const char*>(password), sizeof password));
    }();
    return dummy;
}

bool PasswordHash::Matches(const std::string& hash, std::string_view password) {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

}  // namespace nimbo::server
