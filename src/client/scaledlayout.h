// Controls placed at their designed geometry, in pixels of the designed window, and shown
// at one scale, so a panel keeps its proportions at any window size.
#pragma once

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRect>

class QWidget;

namespace zindle {

class ScaledLayout {
public:
    // Registers w at its designed rectangle (or moves it there) and places it at the scale.
    // Its font is the application's at the scale, unless it keeps its own: a parent's font
    // does not reach children that style sheets have polished.
    enum FontRule { ScaleFont, OwnFont };
    void place(QWidget* w, const QRect& designed, FontRule font = ScaleFont);
    // A designed font size for w, in points of the designed window.
    void setFontSize(QWidget* w, qreal points, bool bold = false);
    void apply(qreal scale);
    qreal scale() const { return scale_; }
    // Edges are rounded, not sizes, so controls that touch when designed still touch.
    QRect map(const QRect& designed) const;
    QPoint map(const QPoint& designed) const;
    int map(int designed) const;

private:
    struct Font {
        QPointer<QWidget> widget;
        qreal points;
        bool bold;
    };
    void applyFont(const Font& f) const;
    QHash<QWidget*, QPair<QPointer<QWidget>, QRect>> rects_;
    QHash<QWidget*, Font> fonts_;
    qreal scale_ = 1.0;
};

// The application's font, or a designed size of it, at a scale.
QFont scaledFont(qreal scale, qreal points = 0, bool bold = false);

}  // namespace zindle
