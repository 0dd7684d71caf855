#include "client/overlays.h"

#include <QLabel>
#include <QPushButton>

namespace zindle {

namespace {

QLabel* addLabel(QWidget* parent, ScaledLayout& layout, const QString& name, const QString& text,
                 QRect designed) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    layout.place(l, designed);
    return l;
}

QPushButton* addButton(QWidget* parent, ScaledLayout& layout, const char* name, const QString& text,
                       QRect designed) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setProperty("kit", "scaled");  // the height follows the scale
    layout.place(b, designed);
    return b;
}

}  // namespace

ScaledFrame::ScaledFrame(QWidget* parent) : QFrame(parent) {
    setProperty("kit", "panel");
}

void ScaledFrame::setScale(qreal scale) {
    if (scale == layout_.scale()) return;
    setFont(scaledFont(scale));
    layout_.apply(scale);
}

GameOverPanel::GameOverPanel(QWidget* parent) : ScaledFrame(parent) {
    setObjectName("panel_winner");
    // The kit's panel made solid: the board's letters must not show through the text.
    setStyleSheet("QFrame#panel_winner { background: rgb(14, 28, 38); }");
    reason_ = addLabel(this, layout_, "label_reason", "Game Over!", {0, 14, 380, 24});
    reason_->setStyleSheet("color: white;");
    layout_.setFontSize(reason_, 11, true);
    // label_winner1 and 2 draw the same text one pixel apart: yellow over grey.
    const std::array<QRect, 5> rects{QRect(), QRect(1, 51, 380, 28), QRect(0, 50, 380, 28),
                                     QRect(1, 91, 380, 40), QRect(0, 90, 380, 40)};
    for (int i = 1; i <= 4; ++i) {
        QLabel* l =
            addLabel(this, layout_, QString("label_winner%1").arg(i), "", rects[std::size_t(i)]);
        l->setWordWrap(i >= 3);
        l->setStyleSheet(QString("color: %1;").arg(i % 2 ? "#505050" : "#ffff00"));
        layout_.setFontSize(l, i <= 2 ? 14 : 12, true);
        winners_[std::size_t(i)] = l;
    }
    hints_ = addLabel(this, layout_, "hintsLabel", "", {10, 134, 240, 20});
    hints_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    review_ = addButton(this, layout_, "reviewButton", "Game Review", {260, 130, 110, 24});
    connect(review_, &QPushButton::clicked, this, &GameOverPanel::reviewRequested);
    winners_[2]->raise();
    winners_[4]->raise();
    hide();
}

void GameOverPanel::setReason(const QString& reason) {
    reason_->setText(reason);
}

void GameOverPanel::showWinners(const QStringList& names, int hintsTaken, bool showHints,
                                bool reviewable) {
    const QString head =
        names.size() > 1 ? "Congratulations to the Winners!" : "Congratulations to the Winner!";
    winners_[1]->setText(head);
    winners_[2]->setText(head);
    winners_[3]->setText(names.join(","));
    winners_[4]->setText(names.join(","));
    review_->setVisible(reviewable);
    hints_->setText(hintsTaken == 1 ? QString("You took 1 hint.")
                                    : QString("You took %1 hints.").arg(hintsTaken));
    hints_->setVisible(showHints);
    show();
    raise();
}

ScreenNotice::ScreenNotice(QWidget* parent) : ScaledFrame(parent) {
    setObjectName("panel_screen");
    addLabel(this, layout_, "label_screen1",
             "This game is designed to run on screen resolutions of 1024/768 or higher.",
             {10, 20, 540, 24});
    addLabel(this, layout_, "label_screen2",
             "Please adjust your screen resolutions before playing.", {10, 50, 540, 24});
    QPushButton* ok = addButton(this, layout_, "screenNoticeOk", "Ok", {230, 100, 100, 30});
    connect(ok, &QPushButton::clicked, this, &ScreenNotice::accepted);
    hide();
}

}  // namespace zindle
