// Refresh cost: parsing a large status list and group list and building the
// buddy list rows, each next to a plain copy of the same bytes measured in
// the same run as the baseline.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "buddies/BuddyRowBuilder.h"
#include "buddies/GroupList.h"
#include "buddies/StatusList.h"
#include "net/Base64.h"

namespace nimbo {
namespace {

constexpr int BUDDY_COUNT = 10000;
constexpr int GROUP_COUNT = 500;
constexpr int MEMBERS_PER_GROUP = 16;

const char* const WORDS[] = {"online", "absence", "busy", "food", "denial", "offline"};
const char KIM[] = "\xB1\xE8\xC3\xB6\xBC\xF6";             // a Korean display name
const char GREETING[] = "\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4";  // a Korean status message

std::string UserId(int n) {
    char id[16];
    std::snprintf(id, sizeof id, "u%05d", n);
    return id;
}

std::string Base64Of(const std::string& bytes) {
    ByteString encoded;
    base64::EncodeInto(bytes.data(), bytes.size(), encoded);
    return std::string(encoded.view());
}

ByteString StatusReply() {
    const std::string message = Base64Of(std::string(GREETING) + " 12345");
    std::string reply = "OK\r\n";
    for (int n = 0; n < BUDDY_COUNT; ++n) {
        reply += "<b>" + UserId(n) + "\r\n" + WORDS[n % 6] + "\r\n10.0." + std::to_string(n / 256) + "." +
                 std::to_string(n % 256) + "\r\n" + std::to_string(9000 + n % 100) + "\r\n0\r\n" +
                 (n % 2 ? std::string(KIM) : UserId(n)) + "\r\n" + (n % 3 ? message : "\"\"") + "</b>\r\n";
    }
    return ByteString((reply + "\r\n").c_str());
}

// 500 groups of 16 members, then the no-group group with every other buddy.
std::string GroupDocument() {
    std::string document;
    int next = 0;
    for (int g = 0; g < GROUP_COUNT; ++g) {
        document += "<group name=\"Group " + std::to_string(g) + "\" type=\"" + (g % 10 ? "0" : "1") +
                    "\" expand=\"1\">\n";
        for (int m = 0; m < MEMBERS_PER_GROUP; ++m)
            document += UserId(next++) + "\n";
        document += "</group>\n";
    }
    document += "<group name=\"#$%NOGROUP@#$\" type=\"2\" expand=\"1\">\n";
    while (next < BUDDY_COUNT)
        document += UserId(next++) + "\n";
    return document + "</group>\n";
}

const ByteString& Status() {
    static const ByteString reply = StatusReply();
    return reply;
}

const ByteString& Document() {
    static const ByteString document(GroupDocument().c_str());
    return document;
}

const ByteString& Reply() {
    static const ByteString reply(("OK\r\n" + Base64Of(std::string(Document().view())) + "\r\n\r\n").c_str());
    return reply;
}

void CopyBytes(benchmark::State& state, const ByteString& input) {
    for (auto _ : state) {
        std::string copy(input.view());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * input.GetLength());
}

void BM_CopyStatusList(benchmark::State& state) { CopyBytes(state, Status()); }

void BM_ParseStatusList(benchmark::State& state) {
    for (auto _ : state) {
        CBuddyTable buddies;
        ParseStatusList(Status(), buddies);
        benchmark::DoNotOptimize(buddies.Size());
    }
    state.SetBytesProcessed(state.iterations() * Status().GetLength());
}

void BM_CopyGroupDocument(benchmark::State& state) { CopyBytes(state, Document()); }

void ParseGroups(benchmark::State& state, void (*parse)(const ByteString&, CGroupTable&), const ByteString& input) {
    for (auto _ : state) {
        CGroupTable groups;
        parse(input, groups);
        benchmark::DoNotOptimize(groups.Size());
    }
    state.SetBytesProcessed(state.iterations() * input.GetLength());
}

void BM_ParseGroupList(benchmark::State& state) { ParseGroups(state, ParseGroupList, Document()); }

void BM_CopyGroupReply(benchmark::State& state) { CopyBytes(state, Reply()); }

void BM_ParseGroupListReply(benchmark::State& state) {
    if (Document().GetLength() > GROUP_DOCUMENT_LIMIT)
        state.SkipWithError("the group document does not fit its buffer");
    else
        ParseGroups(state, ParseGroupListReply, Reply());
}

void BM_BuildBuddyRows(benchmark::State& state) {
    CBuddyTable buddies;
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
BENCHMARK(BM_ParseGroupListReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildBuddyRows)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nimbo

BENCHMARK_MAIN();
