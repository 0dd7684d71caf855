// A picture control that shows the frames of a strip in turn.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace zindle {

class AnimatedPicture : public QLabel {
    Q_OBJECT
public:
    explicit AnimatedPicture(QWidget* parent = nullptr);
    void setStrip(const QPixmap& strip, int frameWidth);  // frames left to right
    void start();  // shows frame 0, then advances every interval()
    void stop();
    bool playing() const;
    int interval() const;  // 500 ms
    void advance();        // one frame change by hand (tests), emits frameChanged

signals:
    void frameChanged();  // after every frame change

private:
    void showFrame(int index);
    QPixmap strip_;
    int frameWidth_ = 0;
    int frames_ = 0;
    int current_ = 0;
    QTimer timer_;
};

}  // namespace zindle
