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
// answered "server busy" is tried again after a short pause, as its user
// would press OK again after the message, until it gets in or `patience`
// has passed since the release; any other failure is tried again at once,
// up to `attempts` times in all. A signed-in client starts holding its
// notification connection.
class SignInStorm {
public:
    struct Options {
        int attempts = 1;
        std::chrono::milliseconds backoff{1000};  // the mean pause after "server busy"
        std::chrono::seconds patience{1800};
    };

    struct Result {
        std::chrono::steady_clock::duration lastSignedIn{};  // from the release
        std::size_t signedIn = 0;
        std::size_t retries = 0;  // failed attempts, not busy, that were tried again
        std::size_t busy = 0;     // "server busy" answers
        std::string firstFailure;
    };

    SignInStorm(std::u16string host, ByteString password64, Options options);

    Result Run(const std::vector<std::unique_ptr<LoadListener>>& listeners) const;

private:
    std::u16string m_host;
    ByteString m_password64;
    Options m_options;
};

}  // namespace nimbo::bench
