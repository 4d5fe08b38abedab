#pragma once

#include <mutex>
#include <utility>

namespace nimbo {

// A value that several threads read and some thread replaces now and then.
// Get hands out a copy, so no reader ever holds a reference across a Set.
template <class T>
class LockedValue {
public:
    explicit LockedValue(T value = T{}) : m_value(std::move(value)) {}
    LockedValue(const LockedValue&) = delete;
    LockedValue& operator=(const LockedValue&) = delete;

    T Get() const {
        std::lock_guard lock(m_lock);
        return m_value;
    }

    void Set(T value) {
        std::lock_guard lock(m_lock);
        m_value = std::move(value);
    }

private:
    mutable std::mutex m_lock;
    T m_value;
};

}  // namespace nimbo
