// The selectable caption button of the help pages: checkable, exclusive
// among its siblings, shows its caption, with a distinct selected look.
#pragma once

#include <QPushButton>

namespace zindle {

class CaptionButton : public QPushButton {
public:
    explicit CaptionButton(const QString& text, QWidget* parent = nullptr);
};

}  // namespace zindle
