// The help window: seven pages behind seven buttons, an About button and Done.
// Created hidden; the game window shows it from Help > Content.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextBrowser;

namespace zindle {

class WindowPlacer;

class Thelp : public QWidget {
    Q_OBJECT
public:
    explicit Thelp(QWidget* parent = nullptr);

    // Set by the game window: shows the about window.
    std::function<void()> showAbout;

    // The page buttons carry their page number in the "Tag" property; memoN is page N.
    QPushButton* pageButton(int tag) const;
    QTextBrowser* memo(int tag) const;
    // The page in front, 1 to 7.
    int currentPage() const;

    QLabel* label_caption;
    QPushButton* button_about;
    QPushButton* button_done;

    void onTopicClicked();
    void button_aboutClick();
    void button_doneClick();

    // Opens centred over the game window rather than the screen.
    void centreOver(QWidget* owner);

private:
    void bringToFront(int tag, const QString& caption);

    QStackedWidget* pages;
    WindowPlacer* placer;
};

}  // namespace zindle
