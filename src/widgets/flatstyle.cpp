#include "widgets/flatstyle.h"

#include "widgets/artwork.h"

#include <QApplication>
#include <QStyleFactory>

namespace zindle {

QString flatStyleSheet()
{
    // Flat controls on the dark tiled background: light text, thin borders, no bevels.
    return QStringLiteral(R"(
QPushButton {
    color: #f4ecd8;
    background: #3a5a70;
    border: 1px solid #6f8fa6;
    border-radius: 3px;
    padding: 3px 12px;
    min-height: 18px;
}
QPushButton:hover { background: #46708c; border-color: #9fc0d8; }
QPushButton:pressed { background: #2a4556; }
QPushButton:disabled { color: #8a96a0; background: #33434e; border-color: #4b5d6a; }
QPushButton:checked { background: #e8c45a; color: #2c1c08; border-color: #fff0b0; font-weight: bold; }
QPushButton[kit="caption"] {
    background: transparent;
    border: 1px solid transparent;
    text-align: left;
    padding: 3px 8px;
}
QPushButton[kit="caption"]:hover { border-color: #6f8fa6; background: rgba(255,255,255,20); }
QPushButton[kit="caption"]:checked {
    background: #e8c45a;
    color: #2c1c08;
    border-color: #fff0b0;
}
QToolButton {
    color: #f4ecd8;
    background: transparent;
    border: 1px solid transparent;
    border-radius: 3px;
    padding: 2px;
}
QToolButton:hover { background: rgba(255,255,255,28); border-color: #6f8fa6; }
QToolButton:pressed, QToolButton:checked { background: rgba(0,0,0,60); border-color: #9fc0d8; }
QFrame[kit="panel"] {
    background: rgba(14, 28, 38, 200);
    border: 1px solid #5a7488;
    border-radius: 4px;
}
QLineEdit, QTextEdit, QPlainTextEdit, QSpinBox, QListWidget, QTableWidget, QTextBrowser {
    color: #f0f0f0;
    background: #101a22;
    border: 1px solid #5a7488;
    border-radius: 2px;
    selection-background-color: #e8c45a;
    selection-color: #2c1c08;
}
QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus, QSpinBox:focus { border-color: #e8c45a; }
QLineEdit:read-only { background: #18242e; }
QLabel { color: #f4ecd8; background: transparent; }
QCheckBox { color: #f4ecd8; }
)");
}

void applyFlatStyle(QApplication& app)
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setStyleSheet(flatStyleSheet());
    app.setWindowIcon(appIcon());
}

}  // namespace zindle
