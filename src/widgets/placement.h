// Where a top-level window opens: centred over its owner (or on its screen) and always
// inside the screen's available area, shrunk when its designed size does not fit there.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace zindle {

// A frame moved, and shrunk where it must be, to lie inside area.
QRect fitInside(QRect frame, const QRect& area);

// Centres window over owner when owner is visible, else on the window's screen, and keeps
// it inside that screen's available area.
void placeWindow(QWidget* window, const QWidget* owner = nullptr);

// Makes window owner's dialog for the desktop: it stays above owner and goes with it. Set
// before the window is first shown; the tie lasts while both windows exist.
void keepAbove(QWidget* window, QWidget* owner);

// Places its window at the window's first own show; later the player moves it at will.
class WindowPlacer : public QObject {
public:
    explicit WindowPlacer(QWidget* window);
    // Centre over this window while it is visible; by default the window's parent.
    void setOwner(QWidget* owner) { owner_ = owner; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QPointer<QWidget> owner_;
    bool placed_ = false;
};

}  // namespace zindle
