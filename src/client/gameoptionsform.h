// Tgameoptions: the host's choice of rules for the next game.
#pragma once

#include <QComboBox>
#include <QSpinBox>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "widgets/tiledbackground.h"

namespace zindle {

class PictureControl;

class Tgameoptions : public TiledBackground {
public:
    explicit Tgameoptions(QWidget* parent = nullptr);

    QSpinBox* spin_turntime = nullptr;
    QSpinBox* spin_squares = nullptr;
    QSpinBox* spin_gametime = nullptr;
    QSpinBox* spin_score = nullptr;
    QSpinBox* spin_computers = nullptr;  // computer players seated before the start
    QComboBox* combo_level = nullptr;    // "Easy", "Normal", "Hard"
    PictureControl* image_double = nullptr;
    PictureControl* image_team = nullptr;

    // Values from the settings, clamped to the spinners' bounds.
    void setValues(int turntime, int squares, int gametime, int score);
    void setComputers(int count, const QString& level);
    void checkit(const QString& name, bool on);
    bool checked(const QString& name) const;
    void flip(PictureControl* toggle);
    void start();  // "Start Game": the window seats its computers and starts
    // "CMD_startgame" for this player, ending in "+".
    std::string startMessage(const std::string& playerName) const;
    // The keys it owns in the settings, in their write order.
    std::vector<std::pair<std::string, std::string>> settings() const;

    std::function<void()> onStart;
};

}  // namespace zindle
