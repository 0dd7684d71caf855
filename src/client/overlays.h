// Panels that lie over the middle of the board: the game-over panel and the notice that
// the screen is smaller than the game was designed for.
#pragma once

#include <QFrame>
#include <array>

#include "client/scaledlayout.h"

class QLabel;
class QPushButton;

namespace zindle {

// A panel of the game's kit whose controls stand at their designed places, at a scale.
class ScaledFrame : public QFrame {
public:
    explicit ScaledFrame(QWidget* parent);
    void setScale(qreal scale);

protected:
    ScaledLayout layout_;
};

class GameOverPanel : public ScaledFrame {
    Q_OBJECT
public:
    static constexpr QRect kDesigned{86, 190, 380, 160};

    explicit GameOverPanel(QWidget* parent = nullptr);
    void setReason(const QString& reason);
    // The winners' names; the hint count and the review are offered to a seat that played.
    void showWinners(const QStringList& names, int hintsTaken, bool showHints, bool reviewable);

signals:
    void reviewRequested();

private:
    QLabel* reason_ = nullptr;
    std::array<QLabel*, 5> winners_{};  // [1..4]: two texts, each over its shadow
    QLabel* hints_ = nullptr;
    QPushButton* review_ = nullptr;
};

class ScreenNotice : public ScaledFrame {
    Q_OBJECT
public:
    static constexpr QRect kDesigned{92, 133, 560, 160};

    explicit ScreenNotice(QWidget* parent = nullptr);

signals:
    void accepted();
};

}  // namespace zindle
