#pragma once
// Ttallylist, "Zindle - Tally List": the followed opponents, the players of the current game,
// the local player's totals and the selected opponent's tally. Created hidden; it loads the
// tally file when created, saves it after every change and once more when destroyed.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>

#include "stats/tallyfile.h"
#include "stats/tallymodel.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zindle {

class WindowPlacer;

class Dialogs;

class Ttallylist : public QWidget {
    Q_OBJECT
public:
    // tallyFile defaults to dataFile("zindletally.tld"); loads it at construction.
    Ttallylist(Dialogs& dialogs, const QString& tallyFile = {}, QWidget* parent = nullptr);
    ~Ttallylist() override;

    // The game window's loadchecklist: empties checklist, adds these names (the other seated
    // players), checks the followed ones.
    void fillChecklist(const QStringList& names);
    // Counts one finished game: the sole winner's name, or "addtomine". It first calls
    // refreshPlayers, which the game window sets to its own loadchecklist.
    void addgame(const QString& winner);
    std::function<void()> refreshPlayers;
    // Opens centred over the game window rather than the screen.
    void centreOver(QWidget* owner);
    // Replaces the tally file atomically; false on failure. The first failure of a session
    // is told to the player in a message box naming the file and the reason; later ones go
    // to stderr only, so a full disk does not raise a box after every game.
    bool save();

    const TallyModel& scores() const { return stringgrid_scores; }
    QString fileName() const;

    QListWidget* listbox_tally;
    QListWidget* checklist;
    QLabel* mylabel_1;
    QLabel* mylabel_2;
    QLabel* label_hisnametop;
    QLabel* label_hisname;
    QLabel* label_1;
    QLabel* label_2;
    QLabel* label_3;
    QLabel* label_4;
    QLabel* label_5;
    QLabel* label_6;
    QLabel* label_7;
    QLabel* label_8;
    QPushButton* doneButton;   // "Done"
    QPushButton* resetButton;  // "Reset Tally"

    void checklistClickCheck(QListWidgetItem* item);
    void listbox_tallyClickCheck(QListWidgetItem* item);
    void listbox_tallyClick();
    void onDoneClicked();
    void onResetClicked();

    // Adds 1 to a cell and returns the new count; addtomine does it to row 0 and shows it.
    int addit(int col, int row);
    void addtomine(int col);
    // Shows a freshly loaded tally; session counts start at 0.
    void loadtally();
    // Deletes an opponent's row and list item.
    void moverow(int row);

private:
    void FormCreate();
    void FormDestroy();
    void buildControls();
    void dropAsk(const QString& name);
    void showTotals();
    void showOpponent();
    // Checks exactly the followed players in checklist.
    void syncChecklist();
    QListWidgetItem* addFollowedItem(const QString& name);

    Dialogs& dialogs_;
    TallyFile file_;
    TallyModel stringgrid_scores;
    std::array<QLabel*, 8> labels_{};
    WindowPlacer* placer_ = nullptr;
    // Set while the program itself changes check marks, so only the player's clicks count.
    bool updating_ = false;
    bool toldSaveFailure_ = false;
    bool closing_ = false;  // saving from the destructor: no parent for a box
};

}  // namespace zindle
