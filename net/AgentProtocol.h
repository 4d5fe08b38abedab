#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbo {

// The words and numbers of the agent protocol that clients and the server
// must agree on, defined once for both sides.

// Every connection to the agent server goes to this port. Clients know no
// other, so the server does not make it configurable.
inline constexpr std::uint16_t AGENT_PORT = 10000;

// The error code with which the agent server refuses a file offer to a user
// who is not signed in.
inline constexpr const char* CALLEE_OFFLINE_CODE = "480";

// What a peer call carries. Every other kind word (such as "close") is
// refused by the server and ignored by the client.
enum class PeerCallKind { Note, FileOffer };

// The kind's word on the wire.
constexpr const char* PeerCallWord(PeerCallKind kind) { return kind == PeerCallKind::Note ? "instmsg" : "ftp"; }
// The same word as UTF-16 text, as a received peer call holds it.
std::u16string PeerCallText(PeerCallKind kind);
// The kind a wire word, or its UTF-16 text, names; nothing for any other.
std::optional<PeerCallKind> PeerCallKindOf(std::string_view word);
std::optional<PeerCallKind> PeerCallKindOf(std::u16string_view text);

}  // namespace nimbo
