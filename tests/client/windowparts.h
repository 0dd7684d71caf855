// A game window's controls as tests reach them: by the object names they carry, the way a
// player finds them by what they show.
#pragma once

#include <QAction>
#include <QLabel>
#include <QTextBlock>
#include <QTextEdit>
#include <QWidget>
#include <stdexcept>
#include <string>

namespace zindle::testparts {

template <class T = QWidget>
T* part(const QWidget& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found) throw std::runtime_error("the window has no " + name.toStdString());
    return found;
}

inline QString text(const QWidget& window, const QString& label) {
    return part<QLabel>(window, label)->text();
}

inline QAction* action(const QWidget& window, const QString& name) {
    return part<QAction>(window, name);
}

inline QStringList chatLines(const QWidget& window) {
    QStringList lines;
    const QTextDocument* doc = part<QTextEdit>(window, "mainchat")->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) lines << b.text();
    if (lines.size() == 1 && lines[0].isEmpty()) lines.clear();
    return lines;
}

}  // namespace zindle::testparts
