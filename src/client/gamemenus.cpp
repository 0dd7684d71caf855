#include "client/gamemenus.h"

#include <QMenu>
#include <QMenuBar>

namespace zindle {

GameMenus::GameMenus(QMenuBar* bar) : QObject(bar) {
    auto add = [this](QMenu* menu, const char* name, const QString& text,
                      void (GameMenus::*signal)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, signal);
        return a;
    };
    QMenu* file = bar->addMenu("&File");
    start_ = add(file, "startGameAction", "Start Game", &GameMenus::startGame);
    start_->setEnabled(false);
    file->addSeparator();
    add(file, "exitAction", "E&xit", &GameMenus::exit)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* options = bar->addMenu("&Options");
    sounds_ = add(options, "playSoundsAction", "Play Sounds", &GameMenus::playSoundsToggled);
    sounds_->setCheckable(true);
    sounds_->setChecked(true);
    options->addSeparator();
    add(options, "textColorAction", "Text Color", &GameMenus::textColour);
    QMenu* sizes = options->addMenu("Text Size");
    const std::array<int, 4> sizeValues{8, 10, 12, 14};
    for (std::size_t i = 0; i < sizeValues.size(); ++i) {
        const int size = sizeValues[i];
        QAction* a = sizes->addAction(QString::number(size));
        a->setObjectName(QString("textSize%1").arg(size));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, size] {
            a->setChecked(!a->isChecked());
            emit textSize(size);
        });
        sizes_[i] = a;
    }
    add(options, "actionColorAction", "Action Color", &GameMenus::actionColour);
    scrollOff_ = options->addAction("Scroll Chat Off");
    scrollOff_->setObjectName("scrollChatOffAction");
    scrollOff_->setCheckable(true);
    scrollOff_->setShortcut(QKeySequence("Ctrl+S"));
    connect(scrollOff_, &QAction::triggered, this, &GameMenus::scrollChatOff);
    add(options, "resetScreenLocationAction", "Reset Screen Location",
        &GameMenus::resetScreenLocation);
    options->addSeparator();
    watch_ = options->addAction("Just Watch");
    watch_->setObjectName("justWatchAction");
    watch_->setCheckable(true);
    connect(watch_, &QAction::triggered, this, [this] {
        watch_->setChecked(!watch_->isChecked());  // until the host answers
        emit justWatch();
    });

    QMenu* view = bar->addMenu("&View");
    add(view, "tallyListAction", "Tally List", &GameMenus::tallyList);
    add(view, "spyListAction", "Spy List", &GameMenus::spyList);
    add(view, "phraseListAction", "Phrase List", &GameMenus::phraseList);
    view->addSeparator();
    add(view, "gameReviewAction", "Game &Review", &GameMenus::gameReview);

    QMenu* help = bar->addMenu("&Help");
    add(help, "helpAction", "Content", &GameMenus::help)->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    add(help, "aboutAction", "About", &GameMenus::about);
}

void GameMenus::setStartEnabled(bool on) {
    start_->setEnabled(on);
}

bool GameMenus::playSounds() const {
    return sounds_->isChecked();
}

void GameMenus::setPlaySounds(bool on) {
    sounds_->setChecked(on);
}

void GameMenus::markTextSize(int size) {
    for (QAction* a : sizes_) a->setChecked(a->objectName() == QString("textSize%1").arg(size));
}

void GameMenus::setScrollChatOff(bool on) {
    scrollOff_->setChecked(on);
}

bool GameMenus::justWatching() const {
    return watch_->isChecked();
}

void GameMenus::setJustWatching(bool on) {
    watch_->setChecked(on);
}

}  // namespace zindle
