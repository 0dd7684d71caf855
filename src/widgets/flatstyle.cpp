#include "widgets/flatstyle.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include "widgets/artwork.h"

namespace zindle {

QString flatStyleSheet() {
    // Flat controls on the dark tiled background: light text, thin borders, no bevels. Spin
    // boxes are left to Fusion and the palette: a style sheet would lose their arrows.
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
QLineEdit, QTextEdit, QPlainTextEdit, QListWidget, QTableWidget, QTextBrowser {
    color: #f0f0f0;
    background: #101a22;
    border: 1px solid #5a7488;
    border-radius: 2px;
    selection-background-color: #e8c45a;
    selection-color: #2c1c08;
}
QLineEdit:focus, QTextEdit:focus, QPlainTextEdit:focus { border-color: #e8c45a; }
QCheckBox::indicator {
    width: 12px;
    height: 12px;
    border: 1px solid #9fc0d8;
    border-radius: 2px;
    background: #101a22;
}
QCheckBox::indicator:checked { background: #e8c45a; border-color: #fff0b0; }
QCheckBox::indicator:disabled { border-color: #4b5d6a; }
QLineEdit:read-only { background: #18242e; }
)");
}

QPalette flatPalette() {
    // Dark like the background, so message boxes and pickers match the windows. Label text
    // comes from here and not from the style sheet, so a window can still colour one label.
    const QColor window(30, 52, 66), text(244, 236, 216), base(16, 26, 34);
    QPalette pal;
    pal.setColor(QPalette::Window, window);
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Base, base);
    pal.setColor(QPalette::AlternateBase, QColor(24, 38, 48));
    pal.setColor(QPalette::Text, QColor(240, 240, 240));
    pal.setColor(QPalette::PlaceholderText, QColor(140, 150, 160));
    pal.setColor(QPalette::Button, QColor(58, 90, 112));
    pal.setColor(QPalette::ButtonText, text);
    pal.setColor(QPalette::BrightText, QColor(255, 120, 20));
    pal.setColor(QPalette::Highlight, QColor(232, 196, 90));
    pal.setColor(QPalette::HighlightedText, QColor(44, 28, 8));
    pal.setColor(QPalette::ToolTipBase, QColor(255, 246, 222));
    pal.setColor(QPalette::ToolTipText, QColor(52, 34, 20));
    pal.setColor(QPalette::Link, QColor(130, 190, 255));
    pal.setColor(QPalette::LinkVisited, QColor(190, 160, 255));
    pal.setColor(QPalette::Light, QColor(90, 120, 140));
    pal.setColor(QPalette::Midlight, QColor(60, 86, 104));
    pal.setColor(QPalette::Mid, QColor(40, 62, 78));
    pal.setColor(QPalette::Dark, QColor(16, 28, 36));
    pal.setColor(QPalette::Shadow, QColor(0, 0, 0));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, QColor(128, 138, 146));
    return pal;
}

void applyFlatStyle(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
    app.setPalette(flatPalette());
    app.setStyleSheet(flatStyleSheet());
    app.setWindowIcon(appIcon());
}

}  // namespace zindle
