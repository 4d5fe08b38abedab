#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "net/ByteString.h"

namespace nimbo::bench {

class LoadListener;

// A crowd of first sign-ins released at once, each on a thread of its own
// and each as the real client signs in (LoadListener::SignIn). A sign-in
// that fails is tried again at once, as a user presses OK again after the
// error, up to `attempts` times; a signed-in client starts holding its
// notification connection.
class SignInStorm {
public:
    struct Result {
        std::chrono::steady_clock::duration lastSignedIn{};  // from the release
        std::size_t signedIn = 0;
        std::size_t retries = 0;  // failed attempts that were tried again
        std::string firstFailure;
    };

    SignInStorm(std::u16string host, ByteString password64, int attempts);

    Result Run(const std::vector<std::unique_ptr<LoadListener>>& listeners) const;

private:
    std::u16string m_host;
    ByteString m_password64;
    int m_attempts;
};

}  // namespace nimbo::bench
