#include "net/AgentProtocol.h"

#include <algorithm>

namespace nimbo {
namespace {

constexpr PeerCallKind PEER_CALL_KINDS[] = {PeerCallKind::Note, PeerCallKind::FileOffer};

template <typename Text>
std::optional<PeerCallKind> KindOf(Text text) {
    for (PeerCallKind kind : PEER_CALL_KINDS) {
        const std::string_view word = PeerCallWord(kind);
        if (std::equal(text.begin(), text.end(), word.begin(), word.end()))
            return kind;
    }
    return std::nullopt;
}

}  // namespace

// The words are ASCII, so their UTF-16 text holds the same code units.
std::u16string PeerCallText(PeerCallKind kind) {
    const std::string_view word = PeerCallWord(kind);
    return std::u16string(word.begin(), word.end());
}

std::optional<PeerCallKind> PeerCallKindOf(std::string_view word) { return KindOf(word); }

std::optional<PeerCallKind> PeerCallKindOf(std::u16string_view text) { return KindOf(text); }

}  // namespace nimbo
