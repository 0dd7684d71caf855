#include "side/aboutform.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "cli/version.h"
#include "widgets/artwork.h"
#include "widgets/placement.h"

namespace zindle {

Tabout::Tabout(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName("about");
    setWindowTitle("Zindle - About");
    setWindowIcon(appIcon());
    placer = new WindowPlacer(this);

    iconPicture = new QLabel(this);
    iconPicture->setObjectName("iconPicture");
    iconPicture->setPixmap(appIconPixmap(96));
    iconPicture->setCursor(Qt::PointingHandCursor);
    iconPicture->installEventFilter(this);

    auto* title = new QLabel("Zindle", this);
    title->setObjectName("label_title");
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    title->setFont(big);

    auto* versionCaption = new QLabel("Version:", this);
    versionCaption->setObjectName("label_version");
    // The release, not the protocol's version text: the two change for different reasons.
    version = new QLabel(ZINDLE_VERSION, this);
    version->setObjectName("version");
    auto* versionRow = new QHBoxLayout;
    versionRow->setSpacing(0);
    versionRow->addWidget(versionCaption);
    versionRow->addSpacing(4);
    versionRow->addWidget(version);
    // The build number belongs to this box alone, so the release stays the one version source.
    auto* build = new QLabel(".1", this);
    build->setObjectName("label_build");
    versionRow->addWidget(build);
    versionRow->addStretch();

    auto* credits = new QLabel(
        "A word game for one to four players.\n"
        "Written by the Zindle developers.\n"
        "Word list from SCOWL by Kevin Atkinson.",
        this);
    credits->setObjectName("label_credits");

    okButton = new QPushButton("Ok", this);
    okButton->setObjectName("okButton");
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &Tabout::onOkClicked);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addLayout(versionRow);
    text->addWidget(credits);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(iconPicture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(okButton, 0, Qt::AlignRight);
    setFixedSize(sizeHint().expandedTo(QSize(360, 180)));
}

void Tabout::onOkClicked() {
    close();
}

void Tabout::onIconClicked() {
    hide();
}

bool Tabout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == iconPicture && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        onIconClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Tabout::centreOver(QWidget* owner) {
    placer->setOwner(owner);
}

}  // namespace zindle
