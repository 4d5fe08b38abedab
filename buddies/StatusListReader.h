#pragma once

#include <cstddef>
#include <string_view>

#include "buddies/BuddyTable.h"
#include "net/ByteString.h"

namespace nimbo {

// Reads the reply of "getlogonstatall" into a buddy table as ParseStatusList
// describes, while it arrives: the entries whole in the bytes received so
// far are stored at once, so that reading them overlaps with waiting for the
// rest of a long list.
class StatusListReader {
public:
    explicit StatusListReader(BuddyTable& buddies) : m_buddies(buddies) {}

    // The bytes of the reply received so far, from its first, read when
    // they have grown enough since the last read. When they lie elsewhere
    // than at the last call (the buffer grew), or are fewer, the table is
    // emptied and they are read again.
    void Received(std::string_view bytes);
    // Reads the rest of the whole reply, which the table keeps. A reply
    // that did not arrive whole must not be finished: empty the table.
    void Finish(const ByteString& reply);

private:
    enum class State { FIRST_LINE, ENTRIES, ENDED };

    // A read follows at least this many more bytes, and a quarter more.
    static constexpr std::size_t LEAST_GROWTH = 1024;
    static constexpr std::size_t GROWTH_PART = 4;

    void RestartUnlessFrom(std::string_view bytes);
    void Read(std::string_view bytes);
    void ReadFirstLine(std::string_view bytes);
    void ReadEntries(std::string_view bytes);

    BuddyTable& m_buddies;
    const char* m_start = nullptr;  // of the bytes read from
    std::size_t m_length = 0;       // of the bytes last read
    State m_state = State::FIRST_LINE;
    std::size_t m_position = 0;  // where the search for the next entry starts
};

}  // namespace nimbo
