// Tchat: the chat view, the entry line, the phrase buttons, colours, links.
// Peer text is inserted as plain text with character formats, never as markup.
#include "client/chatform.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "client/boardview.h"
#include "widgets/codepage.h"
#include "client/phrasesform.h"
#include "client/rteurl.h"
#include "widgets/dialogs.h"

namespace zindle {

namespace {

const QString kPlaceholder = "<Enter Chat Here>";

const std::array<const char*, 11> kPhrases{
    "",          "Way To Go!", "Good One!", "Nice Try!",         "Excellent!",          "Brilliant!",
    "Wow, WTG!", "Thanks!",    "Way To Go Teamie!", "Good Game Everyone!", "See ya!"};

QColor toQColor(ColorRef c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

ColorRef fromQColor(const QColor& c) {
    return static_cast<ColorRef>(c.red()) | static_cast<ColorRef>(c.green()) << 8 |
           static_cast<ColorRef>(c.blue()) << 16;
}

}  // namespace

void Tchat::buildChat(QWidget* side) {
    const int w = side->width();
    mainchat = new QTextEdit(side);
    mainchat->setObjectName("mainchat");
    mainchat->setReadOnly(true);
    mainchat->setAcceptRichText(false);
    mainchat->setUndoRedoEnabled(false);
    mainchat->setGeometry(0, 290, w, 206);
    mainchat->setContextMenuPolicy(Qt::ActionsContextMenu);
    mainchat->viewport()->setMouseTracking(true);
    mainchat->viewport()->installEventFilter(this);
    mainchat->document()->setDocumentMargin(3);
    // A long evening, or a host that floods us, must not grow without end.
    mainchat->document()->setMaximumBlockCount(5000);
    // A line with no spaces would otherwise be laid out as one endless word.
    mainchat->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    Copy1 = new QAction("Copy", mainchat);
    Copy1->setObjectName("Copy1");
    Copy1->setShortcut(QKeySequence("Ctrl+C"));
    Copy1->setShortcutContext(Qt::WidgetShortcut);
    connect(Copy1, &QAction::triggered, this, &Tchat::Copy1Click);
    ScrollChatOff2 = new QAction("Scroll Chat Off", mainchat);
    ScrollChatOff2->setObjectName("ScrollChatOff2");
    ScrollChatOff2->setCheckable(true);
    connect(ScrollChatOff2, &QAction::triggered, this, [this] {
        ScrollChatOff2->setChecked(!ScrollChatOff2->isChecked());  // the handler flips it
        ScrollChatOff1Click();
    });
    mainchat->addAction(Copy1);
    mainchat->addAction(ScrollChatOff2);

    mychat = new QLineEdit(kPlaceholder, side);
    mychat->setObjectName("mychat");
    mychat->setGeometry(0, 500, w, 24);
    mychat->setMaxLength(static_cast<int>(proto::kMaxChatLine));
    mychat->installEventFilter(this);
    mychat->setContextMenuPolicy(Qt::ActionsContextMenu);
    Paste1 = new QAction("Paste", mychat);
    Paste1->setObjectName("Paste1");
    connect(Paste1, &QAction::triggered, this, &Tchat::Paste1Click);
    mychat->addAction(Paste1);
    setTabOrder(mychat, board);

    for (int n = 1; n <= 10; ++n) {
        auto* b = new QToolButton(side);
        b->setObjectName(QString("b_phrase%1").arg(n));
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        connect(b, &QToolButton::clicked, this, [this, n] { b_phrase1Click(n); });
        b_phrase[n] = b;
        setPhrase(n, kPhrases[n]);
    }
    applyChatColors();
}

void Tchat::setPhrase(int n, const QString& text) {
    QToolButton* b = b_phrase[n];
    b->setProperty("hint", text);
    b->setToolTip(text);
    layoutPhrases();
}

// The phrase buttons flow in rows under the entry line, each as wide as its
// text; when long phrases would push some below the panel, all ten share a
// grid instead, each cut to its cell.
void Tchat::layoutPhrases() {
    QWidget* side = mychat->parentWidget();
    const int top = mychat->geometry().bottom() + 4;
    const auto caption = [](QToolButton* b, int width) {
        return b->fontMetrics()
            .elidedText(b->property("hint").toString(), Qt::ElideRight, width)
            .replace('&', "&&");
    };
    std::array<QRect, 11> flow{};
    int x = 0;
    int y = top;
    for (int n = 1; n <= 10; ++n) {
        QToolButton* b = b_phrase[n];
        if (!b) return;  // still being built
        b->setFont(side->font());
        b->setText(caption(b, 170));
        const int bw = b->fontMetrics().horizontalAdvance(b->text()) + 14;
        if (x > 0 && x + bw > side->width()) {
            x = 0;
            y += 26;
        }
        flow[n] = {x, y, bw, 23};
        x += bw + 3;
    }
    const bool fits = y + 23 <= side->height();
    const int rows = std::max(1, (side->height() - top + 3) / 26);
    const int cols = (10 + rows - 1) / rows;
    const int cw = (side->width() - 3 * (cols - 1)) / cols;
    for (int n = 1; n <= 10; ++n) {
        QToolButton* b = b_phrase[n];
        if (fits) {
            b->setGeometry(flow[n]);
            continue;
        }
        // A point smaller before anything is cut, so the usual phrases stay whole.
        QFont f = b->parentWidget()->font();
        if (b->fontMetrics().horizontalAdvance(b->property("hint").toString()) > cw - 8)
            f.setPointSizeF(std::max(6.0, f.pointSizeF() - 1));
        b->setFont(f);
        b->setText(caption(b, cw - 8));
        b->setGeometry((n - 1) % cols * (cw + 3), top + (n - 1) / cols * 26, cw, 23);
    }
}

QString Tchat::phrase(int n) const { return b_phrase[n]->property("hint").toString(); }

void Tchat::applyChatColors() {
    mainchat->setStyleSheet(
        QString("QTextEdit#mainchat { background: black; color: silver; font-size: %1pt; }")
            .arg(chatSize));
    mychat->setStyleSheet(
        QString("QLineEdit#mychat { color: %1; }").arg(toQColor(textColor).name()));
}

QString Tchat::shown(std::string_view wire, std::size_t max) {
    return fromWire(wire.substr(0, max));  // one byte a character on the wire
}

// Drops the oldest lines while the view holds more text than it may: long
// lines fill it long before the line count does.
void Tchat::trimChat() {
    QTextDocument* doc = mainchat->document();
    while (doc->characterCount() > kMaxChatChars && doc->blockCount() > 1) {
        QTextCursor cut(doc);
        cut.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    }
}

void Tchat::addlinetochat(const QString& whole, ColorRef color) {
    // The host decides what it sends; the window decides what it lays out.
    const QString text = whole.left(kMaxShownChat);
    QScrollBar* sb = mainchat->verticalScrollBar();
    const bool keepView = ScrollChatOff1->isChecked();
    const int top = sb->value();
    QTextCursor cur(mainchat->document());
    cur.movePosition(QTextCursor::End);
    if (!mainchat->document()->isEmpty()) cur.insertBlock();
    QTextCharFormat fmt;
    fmt.setForeground(toQColor(color));
    const qsizetype colon = text.indexOf(':');
    const QString head = colon < 0 ? QString() : text.left(colon + 1);
    fmt.setFontWeight(QFont::Bold);
    cur.insertText(head, fmt);
    fmt.setFontWeight(QFont::Normal);
    cur.insertText(text.mid(head.size()), fmt);
    trimChat();
    if (keepView)
        sb->setValue(top);
    else
        sb->setValue(sb->maximum());
}

QStringList Tchat::chatLines() const {
    QStringList lines;
    for (QTextBlock b = mainchat->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    if (lines.size() == 1 && lines[0].isEmpty()) lines.clear();
    return lines;
}

void Tchat::chatrecieved(std::string_view f) {
    const std::size_t bar = f.find('|');
    const QString text = shown(f.substr(0, bar), kMaxShownChat);
    if (bar == std::string_view::npos) {
        addlinetochat(text, kWhite);
        return;
    }
    // No colour name is this long; a longer tail is not one.
    const std::string_view colour = f.substr(bar + 1);
    addlinetochat(text, colour.size() > 64 ? kWhite : parseColorText(colour).value_or(kWhite));
}

void Tchat::sendit() {
    if (!state.loggedIn) return;
    const QString text = mychat->text();
    if (!text.isEmpty()) {
        if (!text.startsWith('/')) {
            sendToHost(proto::message(proto::cmd::chat,
                                      {state.mySeat, toWire(text) + "|" + colorText(textColor)}));
        } else if (text.startsWith("/me")) {
            sendToHost(proto::message(proto::cmd::action,
                                      {state.mySeat, toWire(text.mid(4)) + "|" + colorText(actionColor)}));
        }
    }
    mychat->clear();
}

void Tchat::b_phrase1Click(int n) {
    if (!phraseReady) return;
    const QString p = phrase(n);
    const QString text = p.startsWith("/me ") ? p.mid(4) : "says: " + p;
    sendToHost(proto::message(proto::cmd::action,
                              {state.mySeat, toWire(text) + "|" + colorText(actionColor)}));
    phraseReady = false;
    phraseTicks = 0;
    if (!Timer1.isActive()) Timer1.start();
}

void Tchat::PhraseList1Click() {
    if (!windows_.phrases) return;
    for (int n = 1; n <= 10; ++n) windows_.phrases->phrase[n]->setText(phrase(n));
    windows_.phrases->show();
    windows_.phrases->raise();
}

void Tchat::textcolor1Click() {
    QColor chosen;
    if (!setup_.dialogs->pickColor(this, toQColor(textColor), chosen)) return;
    textColor = fromQColor(chosen);
    applyChatColors();
    saveinifile();
}

void Tchat::ActionColor1Click() {
    QColor chosen;
    if (setup_.dialogs->pickColor(this, toQColor(actionColor), chosen)) actionColor = fromQColor(chosen);
    saveinifile();
}

void Tchat::N14Click(int size, bool save) {
    chatSize = std::clamp(size, 1, 200);
    applyChatColors();
    if (save) saveinifile();
}

void Tchat::ScrollChatOff1Click() {
    ScrollChatOff2->setChecked(!ScrollChatOff2->isChecked());
    ScrollChatOff1->setChecked(ScrollChatOff2->isChecked());
}

void Tchat::Copy1Click() {
    setup_.dialogs->setClipboardText(mainchat->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'));
}

void Tchat::Paste1Click() {
    const QString text = setup_.dialogs->clipboardText();
    if (!text.isEmpty()) mychat->setText(text);
}

bool Tchat::eventFilter(QObject* o, QEvent* e) {
    if (o == mychat && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (mychat->text() == kPlaceholder) mychat->clear();  // mychatKeyDown
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            sendit();  // mychatKeyPress: Enter is swallowed
            return true;
        }
        if (k->key() == Qt::Key_Tab) {
            board->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (k->matches(QKeySequence::Paste)) {
            Paste1Click();  // the clipboard replaces the line, as the menu's Paste does
            return true;
        }
    } else if (o == mainchat->viewport() &&
               (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress)) {
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint at = m->position().toPoint();
        // The nearest cursor boundary lies after the character when the
        // pointer is on its right half.
        const QTextCursor c = mainchat->cursorForPosition(at);
        int pos = c.position();
        if (mainchat->cursorRect(c).x() > at.x() && pos > 0) --pos;
        const auto link = linkAt(mainchat->toPlainText().toStdU16String(), static_cast<std::size_t>(pos));
        if (e->type() == QEvent::MouseMove) {
            mainchat->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
        } else if (link && m->button() == Qt::LeftButton) {
            QTextCursor sel(mainchat->document());
            sel.setPosition(static_cast<int>(link->start));
            sel.setPosition(static_cast<int>(link->start + link->length), QTextCursor::KeepAnchor);
            mainchat->setTextCursor(sel);
            setup_.dialogs->openUrl(sel.selectedText());
            return true;
        }
    }
    return QMainWindow::eventFilter(o, e);
}

}  // namespace zindle
