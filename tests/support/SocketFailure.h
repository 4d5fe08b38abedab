#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "net/CBlockingSocketException.h"

namespace nimbo::test {

// Runs `operation` and returns the socket exception it throws; a test that
// expected one fails when it throws none.
inline CBlockingSocketException SocketFailure(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const CBlockingSocketException& failure) {
        return failure;
    }
    ADD_FAILURE() << "no CBlockingSocketException";
    return CBlockingSocketException(u"none", 0);
}

}  // namespace nimbo::test
