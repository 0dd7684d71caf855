#include "stats/tallylistform.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <iostream>

#include "widgets/codepage.h"
#include "widgets/dialogs.h"
#include "widgets/paths.h"
#include "widgets/placement.h"

namespace zindle {

namespace {

const QString Caption = QStringLiteral("Zindle - Tally List");

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QLabel* count(const char* name, QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(48);
    return label;
}

QFrame* panel(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

}  // namespace

Ttallylist::Ttallylist(Dialogs& dialogs, const QString& tallyFile, QWidget* parent)
    : QWidget(parent, Qt::Window),
      dialogs_(dialogs),
      file_((tallyFile.isEmpty() ? dataFile(QStringLiteral("zindletally.tld")) : tallyFile)
                .toStdString()) {
    setObjectName(QStringLiteral("tallylist"));
    setWindowTitle(Caption);
    placer_ = new WindowPlacer(this);
    buildControls();
    FormCreate();
}

Ttallylist::~Ttallylist() {
    FormDestroy();
}

void Ttallylist::centreOver(QWidget* owner) {
    placer_->setOwner(owner);
}

QString Ttallylist::fileName() const {
    return QString::fromStdString(file_.path());
}

void Ttallylist::buildControls() {
    listbox_tally = new QListWidget(this);
    listbox_tally->setObjectName(QStringLiteral("listbox_tally"));
    checklist = new QListWidget(this);
    checklist->setObjectName(QStringLiteral("checklist"));

    auto* lists = new QVBoxLayout;
    lists->addWidget(heading(QStringLiteral("Players Being Tallied"), this));
    lists->addWidget(listbox_tally, 3);
    lists->addSpacing(6);
    lists->addWidget(
        heading(QStringLiteral("Players In Current Game (Click to Start Tally)"), this));
    lists->addWidget(checklist, 2);

    QFrame* mine = panel(this);
    auto* mineGrid = new QGridLayout(mine);
    mylabel_1 = count("mylabel_1", mine);
    mylabel_2 = count("mylabel_2", mine);
    mineGrid->addWidget(heading(QStringLiteral("Your Total Tally"), mine), 0, 0, 1, 2);
    mineGrid->addWidget(new QLabel(QStringLiteral("Total Games:"), mine), 1, 0);
    mineGrid->addWidget(mylabel_1, 1, 1);
    mineGrid->addWidget(new QLabel(QStringLiteral("Your Wins:"), mine), 2, 0);
    mineGrid->addWidget(mylabel_2, 2, 1);

    QFrame* his = panel(this);
    auto* hisGrid = new QGridLayout(his);
    label_hisnametop = heading(QStringLiteral("Opponent's Tally"), his);
    label_hisnametop->setObjectName(QStringLiteral("label_hisnametop"));
    label_hisname = new QLabel(QStringLiteral("Opponent Wins:"), his);
    label_hisname->setObjectName(QStringLiteral("label_hisname"));
    labels_ = {label_1 = count("label_1", his), label_2 = count("label_2", his),
               label_3 = count("label_3", his), label_4 = count("label_4", his),
               label_5 = count("label_5", his), label_6 = count("label_6", his),
               label_7 = count("label_7", his), label_8 = count("label_8", his)};
    hisGrid->addWidget(label_hisnametop, 0, 0, 1, 3);
    auto* total = new QLabel(QStringLiteral("Total"), his);
    auto* session = new QLabel(QStringLiteral("Session"), his);
    total->setAlignment(Qt::AlignRight);
    session->setAlignment(Qt::AlignRight);
    hisGrid->addWidget(total, 1, 1);
    hisGrid->addWidget(session, 1, 2);
    const QString rowNames[4] = {QStringLiteral("Number of Games"), QString(),
                                 QStringLiteral("Your Wins:"), QStringLiteral("Neither Won:")};
    for (int i = 0; i < 4; ++i) {
        const auto row = static_cast<std::size_t>(i);
        hisGrid->addWidget(i == 1 ? label_hisname : new QLabel(rowNames[i], his), i + 2, 0);
        hisGrid->addWidget(labels_[row], i + 2, 1);
        hisGrid->addWidget(labels_[row + 4], i + 2, 2);
    }

    resetButton = new QPushButton(QStringLiteral("Reset Tally"), this);
    resetButton->setObjectName(QStringLiteral("resetButton"));
    doneButton = new QPushButton(QStringLiteral("Done"), this);
    doneButton->setObjectName(QStringLiteral("doneButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(resetButton);
    buttons->addStretch();
    buttons->addWidget(doneButton);

    auto* right = new QVBoxLayout;
    right->addWidget(mine);
    right->addWidget(his);
    right->addStretch();
    right->addLayout(buttons);

    auto* top = new QHBoxLayout(this);
    top->addLayout(lists, 1);
    top->addLayout(right);
    resize(560, 380);

    connect(checklist, &QListWidget::itemChanged, this, &Ttallylist::checklistClickCheck);
    connect(listbox_tally, &QListWidget::itemChanged, this, &Ttallylist::listbox_tallyClickCheck);
    connect(listbox_tally, &QListWidget::currentRowChanged, this, &Ttallylist::listbox_tallyClick);
    connect(doneButton, &QPushButton::clicked, this, &Ttallylist::onDoneClicked);
    connect(resetButton, &QPushButton::clicked, this, &Ttallylist::onResetClicked);
}

void Ttallylist::FormCreate() {
    std::string reason;
    if (file_.load(stringgrid_scores, reason) == TallyFile::Loaded::Damaged) {
        QString text = QStringLiteral(
                           "The tally file %1 could not be read: %2.\n"
                           "The tally starts empty.")
                           .arg(fileName(), QString::fromStdString(reason));
        if (!file_.keptAs().empty())
            text += QStringLiteral(" The damaged file is kept as %1.")
                        .arg(QString::fromStdString(file_.keptAs()));
        dialogs_.message(this, QStringLiteral("Zindle"), text);
    }
    loadtally();
}

void Ttallylist::FormDestroy() {
    closing_ = true;
    save();
}

bool Ttallylist::save() {
    std::string reason;
    if (file_.save(stringgrid_scores, reason)) return true;
    std::cerr << "zindle: the tally was not saved to " << file_.path() << ": " << reason << '\n';
    if (!toldSaveFailure_) {
        toldSaveFailure_ = true;
        dialogs_.message(closing_ ? nullptr : this, QStringLiteral("Zindle"),
                         QStringLiteral("The tally could not be saved to %1: %2.")
                             .arg(fileName(), QString::fromStdString(reason)));
    }
    return false;
}

void Ttallylist::loadtally() {
    stringgrid_scores.startSession();
    showTotals();
    updating_ = true;
    listbox_tally->clear();
    for (int r = 1; r < stringgrid_scores.rowCount(); ++r)
        addFollowedItem(fromWire(stringgrid_scores.cell(TallyModel::Name, r)));
    updating_ = false;
    showOpponent();
}

QListWidgetItem* Ttallylist::addFollowedItem(const QString& name) {
    auto* item = new QListWidgetItem(name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    listbox_tally->addItem(item);
    return item;
}

void Ttallylist::showTotals() {
    mylabel_1->setText(fromWire(stringgrid_scores.cell(TallyModel::Games, 0)));
    mylabel_2->setText(fromWire(stringgrid_scores.cell(TallyModel::HisWins, 0)));
}

void Ttallylist::showOpponent() {
    const int row = listbox_tally->currentRow() + 1;
    if (row < 1 || row >= stringgrid_scores.rowCount()) {
        label_hisnametop->setText(QStringLiteral("Opponent's Tally"));
        label_hisname->setText(QStringLiteral("Opponent Wins:"));
        for (QLabel* label : labels_) label->setText(QStringLiteral("0"));
        return;
    }
    const QString name = fromWire(stringgrid_scores.cell(TallyModel::Name, row));
    for (int i = 0; i < 8; ++i)
        labels_[static_cast<std::size_t>(i)]->setText(fromWire(stringgrid_scores.cell(i + 1, row)));
    label_hisname->setText(name + QStringLiteral(" Wins:"));
    label_hisnametop->setText(name + QStringLiteral("'s Tally"));
}

void Ttallylist::listbox_tallyClick() {
    showOpponent();
}

void Ttallylist::syncChecklist() {
    updating_ = true;
    for (int i = 0; i < checklist->count(); ++i) {
        QListWidgetItem* item = checklist->item(i);
        const bool followed = stringgrid_scores.find(toWire(item->text())) > 0;
        item->setCheckState(followed ? Qt::Checked : Qt::Unchecked);
    }
    updating_ = false;
}

void Ttallylist::fillChecklist(const QStringList& names) {
    updating_ = true;
    checklist->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        checklist->addItem(item);
    }
    updating_ = false;
    syncChecklist();
}

void Ttallylist::checklistClickCheck(QListWidgetItem* item) {
    if (updating_) return;
    const QString name = item->text();
    // A click on a followed player changes nothing; the mark goes back at once.
    if (stringgrid_scores.find(toWire(name)) < 0 && stringgrid_scores.follow(toWire(name)) > 0) {
        updating_ = true;
        addFollowedItem(name);
        updating_ = false;
        save();
    }
    syncChecklist();
}

void Ttallylist::listbox_tallyClickCheck(QListWidgetItem* item) {
    if (updating_ || item->checkState() == Qt::Checked) return;
    // Asked after the click has finished: the item may be deleted, and the view must not be
    // holding it then.
    const QString name = item->text();
    QMetaObject::invokeMethod(
        this, [this, name] { dropAsk(name); }, Qt::QueuedConnection);
}

void Ttallylist::dropAsk(const QString& name) {
    const int row = stringgrid_scores.find(toWire(name));
    if (row < 1) return;
    QListWidgetItem* item = listbox_tally->item(row - 1);
    if (!item || item->checkState() == Qt::Checked) return;
    const QString question = QStringLiteral("This will delete ") + name +
                             QStringLiteral("'s Tally, Are you want to delete it?");
    if (dialogs_.yesNo(this, QStringLiteral("Confirm"), question)) {
        moverow(row);
        syncChecklist();
        save();
    } else {
        updating_ = true;
        item->setCheckState(Qt::Checked);
        updating_ = false;
    }
}

void Ttallylist::moverow(int row) {
    if (row < 1 || row >= stringgrid_scores.rowCount()) return;
    stringgrid_scores.drop(row);
    updating_ = true;
    delete listbox_tally->takeItem(row - 1);
    updating_ = false;
    showOpponent();
}

void Ttallylist::onDoneClicked() {
    hide();
}

void Ttallylist::onResetClicked() {
    if (!dialogs_.yesNo(this, QStringLiteral("Confirm"),
                        QStringLiteral("Are you sure you want to reset the Tally?")))
        return;
    stringgrid_scores.reset();
    updating_ = true;
    listbox_tally->clear();
    updating_ = false;
    showTotals();
    showOpponent();
    syncChecklist();
    save();
}

int Ttallylist::addit(int col, int row) {
    return stringgrid_scores.addit(col, row);
}

void Ttallylist::addtomine(int col) {
    addit(col, 0);
    showTotals();
}

void Ttallylist::addgame(const QString& winner) {
    if (refreshPlayers) refreshPlayers();
    std::vector<std::string> inGame;
    for (int i = 0; i < checklist->count(); ++i)
        inGame.push_back(toWire(checklist->item(i)->text()));
    stringgrid_scores.addgame(inGame, toWire(winner));
    showTotals();
    showOpponent();
    save();
}

}  // namespace zindle
