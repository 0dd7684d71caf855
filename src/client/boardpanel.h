// The board with the rack beneath it. The player picks, lays, takes back, swaps, flips and
// sorts tiles here; the seat model decides what each click means and this panel shows the
// outcome. What a move is sent as is the window's business: the panel asks by signal.
#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "client/scaledlayout.h"
#include "clientstate/gamestate.h"

class QFrame;
class QLabel;

namespace zindle {

class AnimatedPicture;
class Artwork;
class BoardView;
class PictureControl;
class TDictn;

class BoardPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kDesigned{560, 604};

    BoardPanel(GameState& state, QWidget* parent = nullptr);
    void setScale(qreal scale, const Artwork& art);
    // The word list the score preview judges with; none, no preview.
    void setDictionary(const TDictn* dictionary) { dictionary_ = dictionary; }

    // After the model changed: the rack, the board and the preview. Tiles that went back
    // since laidBefore were counted are told by sound; without a count, since they were last
    // shown.
    void refresh(int laidBefore);
    void refresh() { refresh(shownLaid_); }
    void showRack();
    void showBoard();
    void cancelPick();
    void forgetLaid();  // a new deal or a new game: nothing of ours lies on the board
    int laidCount() const;
    void clearLaid();  // Clear: every tile laid this turn goes back
    // Lays a move the coach found, as if the player had clicked it.
    struct Lay {
        int slot, x, y;
        bool flipped;
    };
    void layMove(const std::vector<Lay>& tiles);
    void showBar(int seat);
    void playEffect(int effect);  // 1..3, the Zindle squares' pictures
    void focusBoard();
    // A capital H asks for a hint only where one is offered; elsewhere it picks an H.
    void setHintOffered(bool on) { hintOffered_ = on; }
    QWidget* board() const;  // for the tab order

signals:
    void sound(const QString& name);
    void previewChanged(const QString& text);
    // The keyboard's Done, Clear and hint.
    void doneRequested();
    void clearRequested();
    void hintRequested();

private:
    void onBoardPressed(QMouseEvent* e);
    void onBoardKey(QKeyEvent* e);
    void onRackTilePressed(int slot, QMouseEvent* e);
    void onSortClicked();
    void followPointer(QWidget* from, const QPoint& pos);
    void pick(int slot, const QPoint& at);
    void layAt(int x, int y, bool leftButton);
    void announceCursor();
    void updatePreview();
    void onEffectFrame();

    GameState& state_;
    const TDictn* dictionary_ = nullptr;
    const Artwork* art_ = nullptr;
    ScaledLayout layout_;
    PictureControl* frame_ = nullptr;
    BoardView* board_ = nullptr;
    QFrame* focusRing_ = nullptr;
    std::array<PictureControl*, kRackSize + 1> tiles_{};
    PictureControl* sortButton_ = nullptr;
    QLabel* bar_ = nullptr;
    QLabel* dragging_ = nullptr;
    AnimatedPicture* effect_ = nullptr;
    bool hintOffered_ = false;
    int barSeat_ = 0;
    int effectFrames_ = 0;
    int shownLaid_ = 0;          // tiles laid this turn, as last shown
    std::vector<int> layOrder_;  // slots in the order they were laid
};

}  // namespace zindle
