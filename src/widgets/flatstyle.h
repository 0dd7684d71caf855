// The flat look of every window: Fusion plus one style sheet for flat
// buttons, panels, speed buttons, edit boxes and caption buttons.
// Panels: any QFrame with property("kit") == "panel" (set before it is first shown) gets the
// flat panel look;
// speed buttons: QToolButton; flat buttons: QPushButton. A QPushButton with
// property("kit") == "scaled" keeps no least height or wide padding, for panels that scale.
#pragma once

#include <QPalette>
#include <QString>

class QApplication;

namespace zindle {

// Fusion, flatPalette() and flatStyleSheet(), and the program's icon.
void applyFlatStyle(QApplication& app);
QString flatStyleSheet();
// The dark palette of every window and standard dialog.
QPalette flatPalette();

}  // namespace zindle
