// Wire text costs on a 100 KB text, each against a plain memcpy of the same
// bytes in the same run: Base64 both ways, the ByteString field and between
// scans that take protocol text apart, and the line reader taking the text
// in as one reply from receives of at most 64 KB.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/Base64.h"
#include "net/ByteString.h"
#include "net/LineReader.h"

namespace {

constexpr std::size_t TEXT_SIZE = 100 * 1024;

// A status-list-like text: "<b>kimNNNNN</b> online\r\n" lines up to 100 KB.
const std::string& WireText() {
    static const std::string text = [] {
        std::string result;
        char line[64];
        for (int i = 0; result.size() < TEXT_SIZE; ++i) {
            std::snprintf(line, sizeof line, "<b>kim%05d</b> online\r\n", i);
            result += line;
        }
        result.resize(TEXT_SIZE);
        return result;
    }();
    return text;
}

void Memcpy(benchmark::State& state) {
    const std::string& text = WireText();
    std::vector<char> target(text.size());
    for (auto _ : state) {
        std::memcpy(target.data(), text.data(), text.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void Base64Encode(benchmark::State& state) {
    const std::string& text = WireText();
    nimbo::ByteString encoded;
    for (auto _ : state) {
        nimbo::base64::EncodeInto(text.data(), text.size(), encoded);
        benchmark::DoNotOptimize(encoded.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void Base64Decode(benchmark::State& state) {
    const std::string& text = WireText();
    nimbo::ByteString encoded;
    nimbo::base64::EncodeInto(text.data(), text.size(), encoded);
    for (auto _ : state) {
        auto decoded = nimbo::base64::Decode(encoded.c_str(), static_cast<std::size_t>(encoded.GetLength()));
        benchmark::DoNotOptimize(decoded.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

// The last line of the text: a field scan through all of it.
void ByteStringField(benchmark::State& state) {
    nimbo::ByteString text(WireText().c_str());
    const int last = text.FieldCount("\r\n") - 1;
    nimbo::ByteString field;
    for (auto _ : state) {
        text.Field("\r\n", last, field);
        benchmark::DoNotOptimize(field.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(TEXT_SIZE));
}

// The last enclosed user ID: a between scan through all of it.
void ByteStringBetween(benchmark::State& state) {
    nimbo::ByteString text(WireText().c_str());
    const int last = text.FieldCount("</b>") - 2;
    nimbo::ByteString user;
    for (auto _ : state) {
        text.Between("<b>", "</b>", last, user);
        benchmark::DoNotOptimize(user.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(TEXT_SIZE));
}

// The text's whole lines and the empty line that ends a reply.
const std::string& ReplyText() {
    static const std::string text = [] {
        const std::string& lines = WireText();
        return lines.substr(0, lines.rfind('\n') + 1) + "\r\n";
    }();
    return text;
}

void ReadBlock(benchmark::State& state) {
    constexpr std::size_t RECEIVE_LIMIT = 64 * 1024;
    const std::string& text = ReplyText();
    nimbo::LineReader reader;
    nimbo::ByteString block;
    for (auto _ : state) {
        std::size_t sent = 0;
        reader.ReadBlock(
            [&](char* buffer, int capacity) {
                const std::size_t count =
                    std::min({static_cast<std::size_t>(capacity), RECEIVE_LIMIT, text.size() - sent});
                std::memcpy(buffer, text.data() + sent, count);
                sent += count;
                return static_cast<int>(count);
            },
            block);
        benchmark::DoNotOptimize(block.GetLength());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

BENCHMARK(Memcpy);
BENCHMARK(ReadBlock);
BENCHMARK(Base64Encode);
BENCHMARK(Base64Decode);
BENCHMARK(ByteStringField);
BENCHMARK(ByteStringBetween);

}  // namespace

BENCHMARK_MAIN();
