// The game window's menu bar: File, Options, View and Help, in the game's order, with
// mnemonics and the desktop's own shortcuts on top. Each item reports by signal; the marks
// that follow the settings or the host's answers are set by the window.
#pragma once

#include <QObject>
#include <array>

class QAction;
class QMenuBar;

namespace zindle {

class GameMenus : public QObject {
    Q_OBJECT
public:
    explicit GameMenus(QMenuBar* bar);

    void setStartEnabled(bool on);
    bool playSounds() const;
    void setPlaySounds(bool on);
    void markTextSize(int size);  // the tick shows the settings' size, not the last click
    void setScrollChatOff(bool on);
    bool justWatching() const;
    void setJustWatching(bool on);  // the mark follows the host, not the click

signals:
    void startGame();
    void exit();
    void playSoundsToggled();
    void textColour();
    void textSize(int size);
    void actionColour();
    void scrollChatOff(bool on);
    void resetScreenLocation();
    void justWatch();
    void tallyList();
    void spyList();
    void phraseList();
    void gameReview();
    void help();
    void about();

private:
    QAction* start_ = nullptr;
    QAction* sounds_ = nullptr;
    std::array<QAction*, 4> sizes_{};
    QAction* scrollOff_ = nullptr;
    QAction* watch_ = nullptr;
};

}  // namespace zindle
