#include "widgets/codepage.h"

#include <array>

namespace zindle {

namespace {

// 0x80..0x9F; the five unassigned bytes stand for the C1 controls of the same number.
constexpr std::array<char16_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string toWire(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        char byte = '?';
        if (c < 0x80 || (c >= 0xA0 && c < 0xFF)) {
            byte = static_cast<char>(c);
        } else {
            for (std::size_t i = 0; i < kHigh.size(); ++i)
                if (kHigh[i] == c) byte = static_cast<char>(0x80 + i);
        }
        out += byte;
    }
    return out;
}

QString fromWire(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

}  // namespace zindle
