// How much of what a host sends the window shows: the host decides what it sends, the
// window what it lays out.
#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

#include "net/protocol.h"
#include "widgets/codepage.h"

namespace zindle {

inline constexpr std::size_t kMaxShownName = 20;  // the longest name a window can log in with
inline constexpr std::size_t kMaxShownWord = 40;  // longer than any word the board holds
// A name, its verb and a full entry line (the host's limit on what it relays).
inline constexpr qsizetype kMaxShownChat = kMaxShownName + 60 + proto::kMaxChatLine;
inline constexpr int kMaxChatChars = 512 * 1024;  // the chat view's text, whatever the line count

// Host text as the window shows it: never longer than max characters, one byte a character.
inline QString shown(std::string_view wire, std::size_t max) {
    return fromWire(wire.substr(0, max));
}
inline QString shownName(std::string_view wire) {
    return shown(wire, kMaxShownName);
}

}  // namespace zindle
