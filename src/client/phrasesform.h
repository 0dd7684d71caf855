// Tphrases: the editor of the ten phrase buttons.
#pragma once

#include <QLineEdit>
#include <array>

#include "widgets/tiledbackground.h"

namespace zindle {

class Tchat;

class Tphrases : public TiledBackground {
public:
    explicit Tphrases(QWidget* parent = nullptr);
    std::array<QLineEdit*, 11> phrase{};  // phrase1 .. phrase10
    Tchat* chat = nullptr;
    void apply();  // "Done": the buttons take the phrases, and the settings keep them
};

}  // namespace zindle
