#include "widgets/animatedpicture.h"

namespace zindle {

namespace {
constexpr int kFrameIntervalMs = 500;
}

AnimatedPicture::AnimatedPicture(QWidget* parent) : QLabel(parent) {
    timer_.setInterval(kFrameIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &AnimatedPicture::advance);
}

void AnimatedPicture::setStrip(const QPixmap& strip, int frameWidth) {
    strip_ = strip;
    // Frame widths are logical pixels; the strip may carry a device pixel ratio.
    const int logicalWidth = int(strip.width() / strip.devicePixelRatio());
    frameWidth_ = frameWidth > 0 ? frameWidth : logicalWidth;
    frames_ = frameWidth_ > 0 ? qMax(1, logicalWidth / frameWidth_) : 0;
    if (strip.isNull()) frames_ = 0;
    showFrame(0);
}

void AnimatedPicture::start() {
    showFrame(0);
    timer_.start();
}

void AnimatedPicture::stop() {
    timer_.stop();
}

bool AnimatedPicture::playing() const {
    return timer_.isActive();
}

int AnimatedPicture::interval() const {
    return kFrameIntervalMs;
}

void AnimatedPicture::advance() {
    showFrame(frames_ > 0 ? (current_ + 1) % frames_ : 0);
    emit frameChanged();
}

void AnimatedPicture::showFrame(int index) {
    current_ = index;
    if (frames_ <= 0) {
        clear();
        return;
    }
    const qreal dpr = strip_.devicePixelRatio();
    QPixmap frame = strip_.copy(
        QRect(int(index * frameWidth_ * dpr), 0, int(frameWidth_ * dpr), strip_.height()));
    frame.setDevicePixelRatio(dpr);
    setPixmap(frame);
}

}  // namespace zindle
