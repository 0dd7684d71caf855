#include "client/panelstage.h"

#include <QEvent>
#include <cmath>

#include "widgets/artwork.h"

namespace zindle {

PanelStage::PanelStage(QWidget* area) : QWidget(area), area_(area) {
    setObjectName("panel_board");
    art_ = &Artwork::forRatio(devicePixelRatioF());
    shownArt_ = art_;
    artTimer_.setSingleShot(true);
    artTimer_.setInterval(150);
    connect(&artTimer_, &QTimer::timeout, this, [this] { useArtwork(true); });
    area_->installEventFilter(this);
    resize(kDesigned);
}

PanelStage::~PanelStage() = default;

void PanelStage::add(QWidget* panel, const QRect& designed, Scaler scaler) {
    layout_.place(panel, designed, ScaledLayout::OwnFont);
    scaler(layout_.scale(), *art_);
    scalers_.push_back(std::move(scaler));
}

bool PanelStage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_ && event->type() == QEvent::Resize) refit();
    return QWidget::eventFilter(watched, event);
}

void PanelStage::refit() {
    const QSize area = area_->size();
    const QSize least = kDesigned + kMargins;
    qreal scale =
        std::min(qreal(area.width()) / least.width(), qreal(area.height()) / least.height());
    scale =
        std::clamp(std::floor(scale * 100) / 100, 0.2, 8.0);  // hundredths: 1 at the designed size
    const QSize shown(int(std::lround(kDesigned.width() * scale)),
                      int(std::lround(kDesigned.height() * scale)));
    setGeometry(QRect(
        QPoint((area.width() - shown.width()) / 2, (area.height() - shown.height()) / 2), shown));
    layout_.apply(scale);
    useArtwork(false);
}

// While a resize goes on, the last artwork is stretched; it is painted anew once the size
// settles. The panels are given the new set before the old one goes.
void PanelStage::useArtwork(bool paintNow) {
    const qreal dpr = devicePixelRatioF();
    const qreal scale = layout_.scale();
    const auto key = [](qreal r) { return std::lround(r * 1000); };
    // The board's cells are whole device pixels: the pictures are painted for that size.
    // (A hair under, so that the pictures' canvases round up to exactly that.)
    const qreal ratio = (std::floor(kCellPx * dpr * scale + 1e-6) - 1e-4) / kCellPx;
    std::unique_ptr<Artwork> kept = std::move(scaledArt_);
    if (scale == 1.0) {
        art_ = &Artwork::forRatio(dpr);
    } else if (kept && key(kept->ratio()) == key(ratio)) {
        scaledArt_ = std::move(kept);
        art_ = scaledArt_.get();
    } else if (paintNow) {
        scaledArt_ = std::make_unique<Artwork>(ratio);
        art_ = scaledArt_.get();
    } else {
        scaledArt_ = std::move(kept);  // still shown, stretched
        artTimer_.start();
    }
    if (scale == shownScale_ && art_ == shownArt_) return;
    shownScale_ = scale;
    shownArt_ = art_;
    for (const Scaler& s : scalers_) s(scale, *art_);
}

}  // namespace zindle
