// The game's panels as designed, 857 x 604: the board with the rack, the scoreboard, the
// chat and the panels over the board. The stage fills the area it lies in at the largest
// scale that fits with its margins, centred, and the panels scale with it. Their artwork is
// painted for the screen's ratio times the scale, so pictures stay sharp at every size.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "client/scaledlayout.h"

namespace zindle {

class Artwork;

class PanelStage : public QWidget {
public:
    static constexpr QSize kDesigned{857, 604};
    static constexpr QSize kMargins{15, 12};

    explicit PanelStage(QWidget* area);
    ~PanelStage() override;
    using Scaler = std::function<void(qreal scale, const Artwork& art)>;
    // A panel at its designed place; scaler gives it each new scale.
    void add(QWidget* panel, const QRect& designed, Scaler scaler);
    void refit();  // after a move to a screen of another pixel ratio
    qreal scale() const { return layout_.scale(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void useArtwork(bool paintNow);

    QWidget* area_;
    ScaledLayout layout_;
    std::vector<Scaler> scalers_;
    std::unique_ptr<Artwork> scaledArt_;  // for a scale other than 1
    const Artwork* art_ = nullptr;
    qreal shownScale_ = 1.0;  // what the panels were last given
    const Artwork* shownArt_ = nullptr;
    QTimer artTimer_;  // a resize settles before the artwork is painted anew
};

}  // namespace zindle
