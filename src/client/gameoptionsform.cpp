#include "client/gameoptionsform.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "client/boardview.h"
#include "net/protocol.h"
#include "widgets/artwork.h"

namespace zindle {

namespace {

QSpinBox* spinner(QWidget* parent, const char* name, int low, int high, int step, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(low, high);
    s->setSingleStep(step);
    s->setValue(value);
    s->setWrapping(false);
    if (auto* edit = s->findChild<QLineEdit*>())
        edit->setReadOnly(true);  // only the arrows change it
    return s;
}

}  // namespace

Tgameoptions::Tgameoptions(QWidget* parent) : TiledBackground(parent) {
    setObjectName("gameoptions");
    setWindowTitle("Game Options");
    setWindowFlag(Qt::Window);
    auto* grid = new QGridLayout(this);
    auto* heading1 = new QLabel("Game Options", this);
    heading1->setProperty("kit", "heading");
    grid->addWidget(heading1, 0, 0, 1, 3);
    spin_turntime = spinner(this, "spin_turntime", 45, 360, 5, 90);
    spin_squares = spinner(this, "spin_squares", 0, 20, 4, 12);
    spin_gametime = spinner(this, "spin_gametime", 0, 10000, 1, 0);
    spin_score = spinner(this, "spin_score", 0, 1000, 200, 0);
    grid->addWidget(new QLabel("Turn Time Limit:", this), 1, 0);
    grid->addWidget(spin_turntime, 1, 1);
    grid->addWidget(new QLabel("secs", this), 1, 2);
    grid->addWidget(new QLabel("# Zindles:", this), 2, 0);
    grid->addWidget(spin_squares, 2, 1);
    auto* heading2 = new QLabel("Game End Options", this);
    heading2->setProperty("kit", "heading");
    grid->addWidget(heading2, 3, 0, 1, 3);
    grid->addWidget(new QLabel("Time Limited Game:", this), 4, 0);
    grid->addWidget(spin_gametime, 4, 1);
    grid->addWidget(new QLabel("mins", this), 4, 2);
    grid->addWidget(new QLabel("Play to Score:", this), 5, 0);
    grid->addWidget(spin_score, 5, 1);

    auto* heading3 = new QLabel("Computer Players", this);
    heading3->setProperty("kit", "heading");
    grid->addWidget(heading3, 9, 0, 1, 3);
    spin_computers = spinner(this, "spin_computers", 0, 3, 1, 0);
    grid->addWidget(new QLabel("Computer players:", this), 10, 0);
    grid->addWidget(spin_computers, 10, 1);
    combo_level = new QComboBox(this);
    combo_level->setObjectName("combo_level");
    combo_level->addItems({"Easy", "Normal", "Hard"});
    combo_level->setCurrentIndex(1);
    grid->addWidget(new QLabel("Level:", this), 11, 0);
    grid->addWidget(combo_level, 11, 1);

    auto toggle = [this, grid](const char* name, const QString& text, int row) {
        auto* t = new PictureControl(this);
        t->setObjectName(name);
        t->setFixedSize(32, 20);
        t->setCursor(Qt::PointingHandCursor);
        t->onClick = [this, t] { flip(t); };
        grid->addWidget(t, row, 0, Qt::AlignRight);
        grid->addWidget(new QLabel(text, this), row, 1, 1, 2);
        return t;
    };
    image_double = toggle("image_double", "Double Sided", 6);
    image_team = toggle("image_team", "Team Game", 7);
    checkit("image_double", false);
    checkit("image_team", false);

    auto* start = new QPushButton("Start Game", this);
    start->setObjectName("button_startgame");
    grid->addWidget(start, 12, 0, 1, 3, Qt::AlignHCenter);
    connect(start, &QPushButton::clicked, this, &Tgameoptions::start);
}

void Tgameoptions::setValues(int turntime, int squares, int gametime, int score) {
    spin_turntime->setValue(turntime);  // QSpinBox clamps to its range
    spin_squares->setValue(squares);
    spin_gametime->setValue(gametime);
    spin_score->setValue(score);
}

void Tgameoptions::setComputers(int count, const QString& level) {
    spin_computers->setValue(count);
    const int i = combo_level->findText(level, Qt::MatchFixedString);
    if (i >= 0) combo_level->setCurrentIndex(i);
}

void Tgameoptions::checkit(const QString& name, bool on) {
    PictureControl* t = name == "image_team" ? image_team : image_double;
    t->setProperty("tag", on ? 1 : 0);
    t->setPixmap(Artwork::forRatio(devicePixelRatioF()).togglePicture(on));
}

bool Tgameoptions::checked(const QString& name) const {
    const PictureControl* t = name == "image_team" ? image_team : image_double;
    return t->property("tag").toInt() == 1;
}

void Tgameoptions::flip(PictureControl* toggle) {
    checkit(toggle->objectName(), !checked(toggle->objectName()));
}

std::string Tgameoptions::startMessage(const std::string& playerName) const {
    return proto::message(
        proto::cmd::startgame,
        {playerName, spin_turntime->text().toStdString(), spin_squares->text().toStdString(),
         spin_gametime->text().toStdString(), spin_score->text().toStdString(),
         checked("image_double") ? "y" : "n", checked("image_team") ? "y" : "n", ""});
}

std::vector<std::pair<std::string, std::string>> Tgameoptions::settings() const {
    return {{"Turntime", spin_turntime->text().toStdString()},
            {"Squares", spin_squares->text().toStdString()},
            {"Gametime", spin_gametime->text().toStdString()},
            {"Score", spin_score->text().toStdString()},
            {"Double", checked("image_double") ? "1" : "0"},
            {"Team", checked("image_team") ? "1" : "0"},
            {"Computers", spin_computers->text().toStdString()},
            {"Level", combo_level->currentText().toStdString()}};
}

void Tgameoptions::start() {
    if (onStart) onStart();
    close();
}

}  // namespace zindle
