// The chat beside the board: the view of what everyone says, the entry line and the ten
// phrase buttons. Peer text is shown as plain text in coloured, bold runs, never as markup.
// What the player types or clicks goes out by signal; the window sends it.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>

#include "client/colortext.h"
#include "client/scaledlayout.h"

class QAction;
class QLineEdit;
class QTextEdit;
class QToolButton;

namespace zindle {

class Dialogs;

QColor toQColor(ColorRef c);
ColorRef fromQColor(const QColor& c);

class ChatPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kDesigned{297, 314};

    ChatPanel(Dialogs& dialogs, QWidget* parent = nullptr);
    void setScale(qreal scale);

    void addLine(const QString& text, ColorRef colour);
    void setPhrase(int n, const QString& phrase);  // 1..10
    QString phrase(int n) const;
    void setEntryColour(ColorRef colour);
    void setTextSize(int points);
    void setScrollLocked(bool on);  // "Scroll Chat Off": new lines leave the view where it is
    void clearEntry();
    void focusEntry();
    QWidget* entry() const;

signals:
    void lineEntered(const QString& text);
    void phraseClicked(int n);
    void scrollLockToggled(bool on);
    void tabToBoard();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void layOutPhrases();
    void applyStyle();
    void keepAtEnd();
    void trim();
    void copySelection();
    void pasteLine();
    bool followLink(QEvent* e);

    Dialogs& dialogs_;
    ScaledLayout layout_;
    QTextEdit* view_ = nullptr;
    QLineEdit* entry_ = nullptr;
    QAction* scrollAction_ = nullptr;
    std::array<QToolButton*, 11> phrases_{};  // [1..10]
    ColorRef entryColour_ = kWhite;
    int textSize_ = 8;
};

}  // namespace zindle
