#include "client/chatpanel.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

#include "client/rteurl.h"
#include "client/shown.h"
#include "widgets/dialogs.h"

namespace zindle {

namespace {

const QString kPlaceholder = "<Enter Chat Here>";

const std::array<const char*, 11> kPhrases{
    "",           "Way To Go!", "Good One!", "Nice Try!",         "Excellent!",
    "Brilliant!", "Wow, WTG!",  "Thanks!",   "Way To Go Teamie!", "Good Game Everyone!",
    "See ya!"};

constexpr int kPhrasesTop = 237;
constexpr int kPhraseHeight = 23;
constexpr int kPhraseRow = 26;
constexpr qreal kLeastPhrasePoints = 6;
constexpr int kPhrasePadding = 14;  // the flat style's border and padding, and some air

}  // namespace

QColor toQColor(ColorRef c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

ColorRef fromQColor(const QColor& c) {
    return ColorRef(c.red()) | ColorRef(c.green()) << 8 | ColorRef(c.blue()) << 16;
}

ChatPanel::ChatPanel(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
    setObjectName("chatPanel");
    view_ = new QTextEdit(this);
    view_->setObjectName("mainchat");
    view_->setReadOnly(true);
    view_->setAcceptRichText(false);
    view_->setUndoRedoEnabled(false);
    layout_.place(view_, {0, 0, 297, 206});
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    view_->viewport()->setMouseTracking(true);
    view_->viewport()->installEventFilter(this);
    view_->document()->setDocumentMargin(3);
    // A long evening, or a host that floods us, must not grow without end.
    view_->document()->setMaximumBlockCount(5000);
    // A line with no spaces would otherwise be laid out as one endless word.
    view_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto* copy = new QAction("Copy", view_);
    copy->setObjectName("copyAction");
    copy->setShortcut(QKeySequence("Ctrl+C"));
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &ChatPanel::copySelection);
    scrollAction_ = new QAction("Scroll Chat Off", view_);
    scrollAction_->setObjectName("chatScrollChatOffAction");
    scrollAction_->setCheckable(true);
    connect(scrollAction_, &QAction::triggered, this, &ChatPanel::scrollLockToggled);
    view_->addAction(copy);
    view_->addAction(scrollAction_);

    entry_ = new QLineEdit(kPlaceholder, this);
    entry_->setObjectName("mychat");
    layout_.place(entry_, {0, 210, 297, 24});
    entry_->setMaxLength(int(proto::kMaxChatLine));
    entry_->installEventFilter(this);
    entry_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* paste = new QAction("Paste", entry_);
    paste->setObjectName("pasteAction");
    connect(paste, &QAction::triggered, this, &ChatPanel::pasteLine);
    entry_->addAction(paste);

    for (int n = 1; n <= 10; ++n) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString("b_phrase%1").arg(n));
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        connect(b, &QToolButton::clicked, this, [this, n] { emit phraseClicked(n); });
        phrases_[n] = b;
    }
    for (int n = 1; n <= 10; ++n) setPhrase(n, kPhrases[n]);
    applyStyle();
}

void ChatPanel::setScale(qreal scale) {
    if (scale == layout_.scale()) return;
    setFont(scaledFont(scale));
    layout_.apply(scale);
    applyStyle();
    keepAtEnd();
    layOutPhrases();
}

QWidget* ChatPanel::entry() const {
    return entry_;
}

void ChatPanel::focusEntry() {
    entry_->setFocus();
}

void ChatPanel::clearEntry() {
    entry_->clear();
}

void ChatPanel::setPhrase(int n, const QString& text) {
    QToolButton* b = phrases_[std::size_t(n)];
    b->setProperty("hint", text);
    b->setToolTip(text);
    layOutPhrases();
}

QString ChatPanel::phrase(int n) const {
    return phrases_[std::size_t(n)]->property("hint").toString();
}

// The phrase buttons flow in rows under the entry line, each as wide as its text, all ten in
// one font: the application's, or the largest smaller one that keeps every phrase whole.
// When long phrases would push some below the panel even then, all ten share a grid, each
// cut to its cell. Widths are reckoned in designed pixels, so the rows are the same at any
// scale.
void ChatPanel::layOutPhrases() {
    if (!phrases_[10]) return;  // still being built
    const qreal scale = layout_.scale();
    const auto hint = [this](int n) {
        return phrases_[std::size_t(n)]->property("hint").toString();
    };
    // Where the ten lie, flowed in a font at a scale; false when the last row runs below the
    // panel.
    std::array<QRect, 11> flow{};
    const auto flowIn = [&](qreal points, qreal atScale) {
        const QFontMetrics m(scaledFont(atScale, points));
        int x = 0;
        int y = kPhrasesTop;
        for (int n = 1; n <= 10; ++n) {
            const int width =
                int(std::ceil(m.horizontalAdvance(hint(n)) / atScale)) + kPhrasePadding;
            if (x > 0 && x + width > kDesigned.width()) {
                x = 0;
                y += kPhraseRow;
            }
            flow[std::size_t(n)] = {x, y, width, kPhraseHeight};
            x += width + 3;
        }
        return y + kPhraseHeight <= kDesigned.height();
    };
    // The same size at every scale where it can be: it must fit at the designed size too.
    const qreal full =
        QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() : 8;
    const qreal least = std::min(full, kLeastPhrasePoints);
    qreal points = full;
    bool fits = flowIn(points, 1.0) && flowIn(points, scale);
    while (!fits && points - 0.5 >= least) {
        points -= 0.5;
        fits = flowIn(points, 1.0) && flowIn(points, scale);
    }
    // In the grid the phrases are cut anyway: a point smaller, not the least size.
    if (!fits) points = std::max(least, full - 1);
    const QFont font = scaledFont(scale, points);
    const int rows = std::max(1, (kDesigned.height() - kPhrasesTop + 3) / kPhraseRow);
    const int cols = (10 + rows - 1) / rows;
    const int cellWidth = (kDesigned.width() - 3 * (cols - 1)) / cols;
    for (int n = 1; n <= 10; ++n) {
        QToolButton* b = phrases_[std::size_t(n)];
        b->setFont(font);
        QRect place = flow[std::size_t(n)];
        if (!fits) {
            place = {(n - 1) % cols * (cellWidth + 3), kPhrasesTop + (n - 1) / cols * kPhraseRow,
                     cellWidth, kPhraseHeight};
        }
        b->setText(QFontMetrics(font)
                       .elidedText(hint(n), Qt::ElideRight, int((place.width() - 8) * scale))
                       .replace('&', "&&"));
        layout_.place(b, place, ScaledLayout::OwnFont);
    }
}

void ChatPanel::setEntryColour(ColorRef colour) {
    entryColour_ = colour;
    applyStyle();
}

void ChatPanel::setTextSize(int points) {
    textSize_ = points;
    applyStyle();
    keepAtEnd();
}

// Lines laid out anew in another size: the newest stay in view, unless the player holds
// the view with "Scroll Chat Off".
void ChatPanel::keepAtEnd() {
    if (scrollAction_->isChecked()) return;
    QScrollBar* sb = view_->verticalScrollBar();
    sb->setValue(sb->maximum());
}

void ChatPanel::applyStyle() {
    view_->setStyleSheet(
        QString("QTextEdit#mainchat { background: black; color: silver; font-size: %1pt; }")
            .arg(std::max(1.0, textSize_ * layout_.scale())));
    entry_->setStyleSheet(
        QString("QLineEdit#mychat { color: %1; }").arg(toQColor(entryColour_).name()));
}

void ChatPanel::setScrollLocked(bool on) {
    scrollAction_->setChecked(on);
}

// Drops the oldest lines while the view holds more text than it may: long
// lines fill it long before the line count does.
void ChatPanel::trim() {
    QTextDocument* doc = view_->document();
    while (doc->characterCount() > kMaxChatChars && doc->blockCount() > 1) {
        QTextCursor cut(doc);
        cut.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
}

void ChatPanel::addLine(const QString& whole, ColorRef colour) {
    const QString text = whole.left(kMaxShownChat);
    QScrollBar* sb = view_->verticalScrollBar();
    const bool keepView = scrollAction_->isChecked();
    const int top = sb->value();
    QTextCursor cur(view_->document());
    cur.movePosition(QTextCursor::End);
    if (!view_->document()->isEmpty()) cur.insertBlock();
    QTextCharFormat fmt;
    fmt.setForeground(toQColor(colour));
    const qsizetype colon = text.indexOf(':');
    const QString head = colon < 0 ? QString() : text.left(colon + 1);
    fmt.setFontWeight(QFont::Bold);
    cur.insertText(head, fmt);
    fmt.setFontWeight(QFont::Normal);
    cur.insertText(text.mid(head.size()), fmt);
    trim();
    sb->setValue(keepView ? top : sb->maximum());
}

void ChatPanel::copySelection() {
    dialogs_.setClipboardText(
        view_->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'));
}

// The clipboard replaces the whole line.
void ChatPanel::pasteLine() {
    const QString text = dialogs_.clipboardText();
    if (!text.isEmpty()) entry_->setText(text);
}

bool ChatPanel::eventFilter(QObject* o, QEvent* e) {
    if (o == entry_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (entry_->text() == kPlaceholder) entry_->clear();
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            emit lineEntered(entry_->text());  // Enter is swallowed
            return true;
        }
        if (k->key() == Qt::Key_Tab) {
            emit tabToBoard();
            return true;
        }
        if (k->matches(QKeySequence::Paste)) {
            pasteLine();  // as the menu's Paste does
            return true;
        }
    } else if (o == view_->viewport() &&
               (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress)) {
        if (followLink(e)) return true;
    }
    return QWidget::eventFilter(o, e);
}

// Links in the chat: a hand over them, and a click selects and opens one.
bool ChatPanel::followLink(QEvent* e) {
    auto* m = static_cast<QMouseEvent*>(e);
    const QPoint at = m->position().toPoint();
    // The nearest cursor boundary lies after the character when the pointer is on its right half.
    const QTextCursor c = view_->cursorForPosition(at);
    int pos = c.position();
    if (view_->cursorRect(c).x() > at.x() && pos > 0) --pos;
    const auto link = linkAt(view_->toPlainText().toStdU16String(), std::size_t(pos));
    if (e->type() == QEvent::MouseMove) {
        view_->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
        return false;
    }
    if (!link || m->button() != Qt::LeftButton) return false;
    QTextCursor sel(view_->document());
    sel.setPosition(int(link->start));
    sel.setPosition(int(link->start + link->length), QTextCursor::KeepAnchor);
    view_->setTextCursor(sel);
    dialogs_.openUrl(sel.selectedText());
    return true;
}

}  // namespace zindle
