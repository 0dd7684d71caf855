// Lets GoogleTest print Qt strings readably in failure messages, and rectangles as WxH+X+Y.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <ostream>
#include <string>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(", ").toStdString() << ']';
}

inline std::string rectText(const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" +
           std::to_string(r.x()) + "+" + std::to_string(r.y());
}
