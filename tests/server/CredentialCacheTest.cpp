#include <gtest/gtest.h>

#include "server/CredentialCache.h"

namespace nimbo::server::test {
namespace {

TEST(CredentialCache, KnowsOnlyTheVerifiedUserPasswordAndStoredHash) {
    CredentialCache cache;
    cache.Remember("alice", cache.DigestOf("alice", "secret", "$hash-1"));
    EXPECT_TRUE(cache.Knows("alice", cache.DigestOf("alice", "secret", "$hash-1")));
    EXPECT_FALSE(cache.Knows("alice", cache.DigestOf("alice", "Secret", "$hash-1")));
    // A new password hash (passwd, or the user re-created) voids what was verified.
    EXPECT_FALSE(cache.Knows("alice", cache.DigestOf("alice", "secret", "$hash-2")));
    EXPECT_FALSE(cache.Knows("bob", cache.DigestOf("bob", "secret", "$hash-1")));
    // Moving bytes between the parts gives another digest.
    EXPECT_NE(cache.DigestOf("alice", "secret", "$hash-1"), cache.DigestOf("alic", "esecret", "$hash-1"));
}

TEST(CredentialCache, DigestsDependOnTheProcessKey) {
    CredentialCache one;
    CredentialCache other;
    EXPECT_NE(one.DigestOf("alice", "secret", "$h"), other.DigestOf("alice", "secret", "$h"));
}

}  // namespace
}  // namespace nimbo::server::test
