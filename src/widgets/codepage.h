// Text on the wire is Windows-1252, one byte a character: every peer of the
// game's protocol sends and expects it, so names and chat keep their accents.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace zindle {

// Characters outside the code page travel as "?". So does "ÿ", whose byte is
// the message terminator.
std::string toWire(const QString& text);
QString fromWire(std::string_view bytes);

}  // namespace zindle
