// Text on the wire is Windows-1252, as the original program sends it.
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
