// Refresh cost: parsing a large status list and group list and building the
// buddy list rows, each next to a plain copy of the same bytes measured in
// the same run as the baseline.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BuddyListReplies.h"
#include "buddies/BuddyRowBuilder.h"
#include "buddies/GroupList.h"
#include "buddies/StatusList.h"
#include "net/Base64.h"

namespace nimbo {
namespace {

constexpr int BUDDY_COUNT = 10000;
constexpr int GROUP_COUNT = 500;

const bench::BuddyListReplies& Replies() {
    static const bench::BuddyListReplies replies(BUDDY_COUNT, GROUP_COUNT);
    return replies;
}

const ByteString& Status() { return Replies().StatusReply(); }
const ByteString& Document() { return Replies().GroupDocument(); }
const ByteString& Reply() { return Replies().GroupReply(); }

void CopyBytes(benchmark::State& state, const ByteString& input) {
    for (auto _ : state) {
        std::string copy(input.view());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * input.GetLength());
}

void BM_CopyStatusList(benchmark::State& state) { CopyBytes(state, Status()); }

// As a refresh does: the table of the last refresh is emptied, then filled.
void BM_ParseStatusList(benchmark::State& state) {
    BuddyTable buddies;
    for (auto _ : state) {
        buddies.Clear();
        ParseStatusList(Status(), buddies);
        benchmark::DoNotOptimize(buddies.Size());
    }
    state.SetBytesProcessed(state.iterations() * Status().GetLength());
}

void BM_CopyGroupDocument(benchmark::State& state) { CopyBytes(state, Document()); }

void ParseGroups(benchmark::State& state, void (*parse)(const ByteString&, CGroupTable&), const ByteString& input) {
    CGroupTable groups;
    for (auto _ : state) {
        parse(input, groups);
        benchmark::DoNotOptimize(groups.Size());
    }
    state.SetBytesProcessed(state.iterations() * input.GetLength());
}

void BM_ParseGroupList(benchmark::State& state) { ParseGroups(state, ParseGroupList, Document()); }

void BM_CopyGroupReply(benchmark::State& state) { CopyBytes(state, Reply()); }

// The Base64 part of reading the reply: its document line decoded.
void BM_DecodeGroupReply(benchmark::State& state) {
    const std::string_view reply = Reply().view();
    const std::size_t start = reply.find("\r\n") + 2;
    const std::string_view line = reply.substr(start, reply.find("\r\n", start) - start);
    std::vector<unsigned char> bytes(base64::DecodedCapacity(line.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(base64::DecodeTo(line.data(), line.size(), bytes.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}

void BM_ParseGroupListReply(benchmark::State& state) {
    if (Document().GetLength() > GROUP_DOCUMENT_LIMIT)
        state.SkipWithError("the group document does not fit its buffer");
    else
        ParseGroups(state, ParseGroupListReply, Reply());
}

void BM_BuildBuddyRows(benchmark::State& state) {
    BuddyTable buddies;
    ParseStatusList(Status(), buddies);
    CGroupTable groups;
    ParseGroupList(Document(), groups);
    for (auto _ : state) {
        std::vector<BuddyRow> rows = BuildBuddyRows(groups, buddies);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = static_cast<double>(BuildBuddyRows(groups, buddies).size());
}

BENCHMARK(BM_CopyStatusList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseStatusList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyGroupDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseGroupList)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyGroupReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeGroupReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParseGroupListReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildBuddyRows)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nimbo

BENCHMARK_MAIN();
