#include "net/LineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/CBlockingSocketException.h"
#include "tests/support/SocketFailure.h"

namespace nimbo {
namespace {

// Delivers `stream` in pieces of the given sizes (the last size repeats),
// then reports a closed connection.
LineReader::ReceiveFunction Deliver(std::string stream, std::vector<int> pieces) {
    return [stream = std::move(stream), pieces = std::move(pieces), at = std::size_t{0},
            next = std::size_t{0}](char* buffer, int capacity) mutable {
        int piece = pieces[std::min(next++, pieces.size() - 1)];
        auto count = std::min({static_cast<std::size_t>(piece), static_cast<std::size_t>(capacity), stream.size() - at});
        std::memcpy(buffer, stream.data() + at, count);
        at += count;
        return static_cast<int>(count);
    };
}

std::vector<std::string> ReadAllLines(LineReader& reader, const LineReader::ReceiveFunction& receive) {
    std::vector<std::string> lines;
    for (std::string_view line = reader.ReadLine(receive); !line.empty(); line = reader.ReadLine(receive))
        lines.emplace_back(line);
    return lines;
}

TEST(LineReader, AnyChunkingYieldsTheSameWholeLines) {
    const std::vector<std::string> expected = {
        "OK\r\n", "\r\n", std::string(1023, 'a') + "\n", std::string(1024, 'b') + "\r\n", "x\n",
        std::string(5000, 'c') + "\r\n", "\n", "tail\r\n"};
    std::string stream;
    for (const auto& line : expected)
        stream += line;
    std::mt19937 random(2024);
    std::vector<std::vector<int>> chunkings = {{1}, {2}, {1023}, {1024}, {100000}};
    for (int i = 0; i < 20; ++i) {
        std::vector<int> sizes;
        for (int k = 0; k < 64; ++k)
            sizes.push_back(std::uniform_int_distribution<int>(1, 1500)(random));
        chunkings.push_back(sizes);
    }
    for (const auto& sizes : chunkings) {
        LineReader reader;
        EXPECT_EQ(ReadAllLines(reader, Deliver(stream + "unfinished", sizes)), expected) << "first piece " << sizes[0];
    }
}

TEST(LineReader, LineUpToTheBoundIsAcceptedOneMoreByteFails) {
    std::string longest(LineReader::MAX_LINE_LENGTH - 1, 'x');
    longest += '\n';
    LineReader reader;
    EXPECT_EQ(reader.ReadLine(Deliver(longest, {4096})).size(), LineReader::MAX_LINE_LENGTH);

    LineReader other;
    auto failure = test::SocketFailure([&] { other.ReadLine(Deliver("y" + longest, {4096})); });
    EXPECT_EQ(failure.m_strOperation, u"Receive");
    EXPECT_EQ(failure.m_nErrorCode, EMSGSIZE);
}

TEST(LineReader, BlockPastTheBoundFails) {
    // Lines of 1000 bytes that never end in an empty line.
    std::string line(998, 'z');
    line += "\r\n";
    LineReader::ReceiveFunction endless = [&line, at = std::size_t{0}](char* buffer, int capacity) mutable {
        for (int i = 0; i < capacity; ++i, ++at)
            buffer[i] = line[at % line.size()];
        return capacity;
    };
    LineReader reader;
    std::string block;
    EXPECT_THROW(reader.ReadBlock(endless, block), CBlockingSocketException);
    EXPECT_LE(block.size(), LineReader::MAX_BLOCK_LENGTH);
    EXPECT_GT(block.size(), LineReader::MAX_BLOCK_LENGTH - line.size());
}

TEST(LineReader, BlockEndsAtTheEmptyLineAndTheNextOneFollows) {
    LineReader reader;
    auto receive = Deliver("notify logon kim\r\n\r\npeercall kim instmsg YQ==\r\n\r\nhalf\r\n", {7});
    std::string first;
    std::string second;
    std::string unfinished;
    EXPECT_TRUE(reader.ReadBlock(receive, first));
    EXPECT_TRUE(reader.ReadBlock(receive, second));
    EXPECT_FALSE(reader.ReadBlock(receive, unfinished));
    EXPECT_EQ(first, "notify logon kim\r\n\r\n");
    EXPECT_EQ(second, "peercall kim instmsg YQ==\r\n\r\n");
    EXPECT_EQ(unfinished, "half\r\n");
}

TEST(LineReader, DiscardDropsBufferedInput) {
    LineReader reader;
    auto receive = Deliver("one\r\ntwo\r\n", {100});
    EXPECT_EQ(reader.ReadLine(receive), "one\r\n");
    reader.Discard();
    EXPECT_EQ(reader.ReadLine(receive), "");
}

}  // namespace
}  // namespace nimbo
