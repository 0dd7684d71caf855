#include "widgets/flatstyle.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <utility>

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
QPushButton[kit="scaled"] { padding: 0px 2px; min-height: 0px; }
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
QCheckBox::indicator, QAbstractItemView::indicator {
    width: 12px;
    height: 12px;
    border: 1px solid #9fc0d8;
    border-radius: 2px;
    background: #101a22;
}
QCheckBox::indicator:checked, QAbstractItemView::indicator:checked {
    background: #e8c45a;
    border-color: #fff0b0;
}
/* A ticked box on a selected row would melt into the yellow of the row. */
QAbstractItemView::indicator:checked:selected { border-color: #2c1c08; }
QCheckBox::indicator:disabled { border-color: #4b5d6a; }
QLineEdit:read-only { background: #18242e; }
)");
}

QPalette flatPalette() {
    // Dark like the background, so message boxes and pickers match the windows. Label text
    // comes from here and not from the style sheet, so a window can still colour one label.
    const QColor text(244, 236, 216);
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(30, 52, 66)},
        {QPalette::WindowText, text},
        {QPalette::Base, QColor(16, 26, 34)},
        {QPalette::AlternateBase, QColor(24, 38, 48)},
        {QPalette::Text, QColor(240, 240, 240)},
        {QPalette::PlaceholderText, QColor(140, 150, 160)},
        {QPalette::Button, QColor(58, 90, 112)},
        {QPalette::ButtonText, text},
        {QPalette::BrightText, QColor(255, 120, 20)},
        {QPalette::Highlight, QColor(232, 196, 90)},
        {QPalette::HighlightedText, QColor(44, 28, 8)},
        {QPalette::ToolTipBase, QColor(255, 246, 222)},
        {QPalette::ToolTipText, QColor(52, 34, 20)},
        {QPalette::Link, QColor(130, 190, 255)},
        {QPalette::LinkVisited, QColor(190, 160, 255)},
        {QPalette::Light, QColor(90, 120, 140)},
        {QPalette::Midlight, QColor(60, 86, 104)},
        {QPalette::Mid, QColor(40, 62, 78)},
        {QPalette::Dark, QColor(16, 28, 36)},
        {QPalette::Shadow, QColor(0, 0, 0)},
    };
    QPalette pal;
    for (const auto& [role, colour] : roles) pal.setColor(role, colour);
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
