#include "widgets/placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace zindle {

QRect fitInside(QRect frame, const QRect& area) {
    if (area.isEmpty()) return frame;
    frame.setWidth(std::min(frame.width(), area.width()));
    frame.setHeight(std::min(frame.height(), area.height()));
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
    return frame;
}

void placeWindow(QWidget* window, const QWidget* owner) {
    QScreen* screen = owner && owner->isVisible() ? owner->screen() : window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The frame the window manager adds stays on the screen too.
    const QRect frame0 = window->frameGeometry();
    const QSize decoration = frame0.size() - window->size();
    QRect frame = frame0;
    frame.moveCenter(owner && owner->isVisible() ? owner->frameGeometry().center() : area.center());
    frame = fitInside(frame, area);
    const QSize client = (frame.size() - decoration).boundedTo(window->size());
    if (client != window->size()) {
        window->setMinimumSize(window->minimumSize().boundedTo(client));
        window->resize(client);
    }
    window->move(frame.topLeft());
}

void keepAbove(QWidget* window, QWidget* owner) {
    if (!window || !owner) return;
    // X11 window managers hear of the owner only for a dialog.
    if (window->windowType() != Qt::Dialog) {
        const bool shown = window->isVisible();
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
        if (shown) window->show();
    }
    // Both native windows exist from here on; the tie is made between them.
    window->winId();
    owner->window()->winId();
    window->windowHandle()->setTransientParent(owner->window()->windowHandle());
}

WindowPlacer::WindowPlacer(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
}

bool WindowPlacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Show && !event->spontaneous() && !placed_) {
        placed_ = true;
        placeWindow(window_, owner_ ? owner_.data() : window_->parentWidget());
    }
    return false;
}

}  // namespace zindle
