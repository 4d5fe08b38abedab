// Wire text costs on a 100 KB text, each against a plain memcpy of the same
// bytes in the same run: Base64 both ways and the ByteString field and
// between scans that take protocol text apart.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/Base64.h"
#include "net/ByteString.h"

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

BENCHMARK(Memcpy);
BENCHMARK(Base64Encode);
BENCHMARK(Base64Decode);
BENCHMARK(ByteStringField);
BENCHMARK(ByteStringBetween);

}  // namespace

BENCHMARK_MAIN();
