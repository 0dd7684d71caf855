#include "widgets/flatstyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>
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
QMenu::separator { height: 1px; background: #8aa6ba; margin: 4px 8px; }
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

namespace {

// Check boxes drawn by hand: a style sheet can only fill the box, and a gold box on the gold
// selected row looked just like an empty one. The tick is drawn dark on gold, so it shows on
// every background and in every state.
class FlatStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_IndicatorCheckBox && element != PE_IndicatorItemViewItemCheck) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        drawTickBox(*option, painter);
    }

private:
    static void drawTickBox(const QStyleOption& option, QPainter* painter) {
        const bool on = option.state & State_On;
        const bool partly = option.state & State_NoChange;
        const bool enabled = option.state & State_Enabled;
        const bool selected = option.state & State_Selected;
        const int side = std::max(8, std::min({option.rect.width(), option.rect.height(), 16}));
        QRectF box(0, 0, side, side);
        box.moveCenter(QRectF(option.rect).center());
        box.adjust(0.5, 0.5, -0.5, -0.5);

        const QColor ink(0x2c, 0x1c, 0x08);
        const QColor gold(0xe8, 0xc4, 0x5a);
        QColor border = selected ? ink : QColor(0x9f, 0xc0, 0xd8);
        if (!enabled) border = QColor(0x4b, 0x5d, 0x6a);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(border, 1));
        painter->setBrush(on || partly ? gold : QColor(0x10, 0x1a, 0x22));
        painter->drawRoundedRect(box, 2, 2);
        if (on || partly) {
            QPen pen(enabled ? ink : QColor(0x6a, 0x5a, 0x3a), std::max(1.5, side / 6.0));
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            const QRectF in = box.adjusted(side * 0.22, side * 0.22, -side * 0.22, -side * 0.22);
            if (on) {
                QPainterPath tick;
                tick.moveTo(in.left(), in.top() + in.height() * 0.55);
                tick.lineTo(in.left() + in.width() * 0.38, in.bottom());
                tick.lineTo(in.right(), in.top());
                painter->drawPath(tick);
            } else {
                painter->drawLine(QPointF(in.left(), in.center().y()),
                                  QPointF(in.right(), in.center().y()));
            }
        }
        painter->restore();
    }
};

}  // namespace

void applyFlatStyle(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(new FlatStyle(fusion));
    app.setPalette(flatPalette());
    app.setStyleSheet(flatStyleSheet());
    app.setWindowIcon(appIcon());
}

}  // namespace zindle
