// The flat look of every window: Fusion plus one style sheet for flat
// buttons, panels, speed buttons, edit boxes and caption buttons.
// Panels: any QFrame with property("kit") == "panel" gets the flat panel look;
// speed buttons: QToolButton; flat buttons: QPushButton.
#pragma once

#include <QString>

class QApplication;

namespace zindle {

void applyFlatStyle(QApplication& app);
QString flatStyleSheet();

}  // namespace zindle
