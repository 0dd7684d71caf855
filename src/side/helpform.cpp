#include "side/helpform.h"

#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <iterator>

#include "widgets/artwork.h"
#include "widgets/placement.h"

namespace zindle {

namespace {

struct Page {
    const char* caption;
    const char* file;
};

// Button order and page numbers; the pages themselves are files under data/help.
constexpr Page kPages[] = {
    {"Overview", "overview.html"},     {"Connecting", "connecting.html"},
    {"Game Play", "gameplay.html"},    {"Scoring", "scoring.html"},
    {"Documentation", "history.html"}, {"License", "license.html"},
    {"Game Options", "options.html"},
};
constexpr int kPageCount = int(std::size(kPages));

QString readPage(const char* file) {
    QFile f(QStringLiteral(":/help/") + QLatin1String(file));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

}  // namespace

Thelp::Thelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("help");
    setWindowTitle("Zindle -  Help File");
    setWindowIcon(appIcon());
    resize(640, 460);
    placer = new WindowPlacer(this);

    auto* side = new QFrame(this);
    side->setObjectName("panel_side");
    side->setProperty("kit", "panel");
    auto* sideLayout = new QVBoxLayout(side);
    for (int i = 0; i < kPageCount; ++i) {
        auto* b = new QPushButton(kPages[i].caption, side);
        b->setObjectName(QStringLiteral("topicButton%1").arg(i + 1));
        b->setProperty("Tag", i + 1);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        connect(b, &QPushButton::clicked, this, &Thelp::onTopicClicked);
        sideLayout->addWidget(b);
    }
    sideLayout->addSpacing(12);
    button_about = new QPushButton("About", side);
    button_about->setObjectName("button_about");
    button_about->setProperty("Tag", 10);
    connect(button_about, &QPushButton::clicked, this, &Thelp::button_aboutClick);
    sideLayout->addWidget(button_about);
    button_done = new QPushButton("Done", side);
    button_done->setObjectName("button_done");
    connect(button_done, &QPushButton::clicked, this, &Thelp::button_doneClick);
    sideLayout->addWidget(button_done);
    sideLayout->addStretch();
    auto* credits = new QLabel("Zindle\nA word game\nby the Zindle developers", side);
    credits->setObjectName("label_credits");
    credits->setAlignment(Qt::AlignCenter);
    sideLayout->addWidget(credits);

    auto* main = new QFrame(this);
    main->setObjectName("panel_main");
    main->setProperty("kit", "panel");
    auto* mainLayout = new QVBoxLayout(main);
    label_caption = new QLabel(main);
    label_caption->setObjectName("label_caption");
    QFont big = label_caption->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    label_caption->setFont(big);
    mainLayout->addWidget(label_caption);
    pages = new QStackedWidget(main);
    pages->setObjectName("pages");
    for (int i = 0; i < kPageCount; ++i) {
        auto* m = new QTextBrowser(pages);
        m->setObjectName(QStringLiteral("memo%1").arg(i + 1));
        m->setOpenExternalLinks(true);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setHtml(readPage(kPages[i].file));
        pages->addWidget(m);
    }
    mainLayout->addWidget(pages, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(side);
    layout->addWidget(main, 1);

    bringToFront(1, kPages[0].caption);
}

QPushButton* Thelp::pageButton(int tag) const {
    return findChild<QPushButton*>(QStringLiteral("topicButton%1").arg(tag));
}

QTextBrowser* Thelp::memo(int tag) const {
    return findChild<QTextBrowser*>(QStringLiteral("memo%1").arg(tag));
}

int Thelp::currentPage() const {
    return pages->currentIndex() + 1;
}

void Thelp::bringToFront(int tag, const QString& caption) {
    if (tag < 1 || tag > kPageCount) return;
    pages->setCurrentIndex(tag - 1);
    label_caption->setText(caption);
    if (QPushButton* b = pageButton(tag)) b->setChecked(true);
}

void Thelp::onTopicClicked() {
    auto* b = qobject_cast<QPushButton*>(sender());
    if (!b) return;
    bringToFront(b->property("Tag").toInt(), b->text());
}

void Thelp::button_aboutClick() {
    if (showAbout) showAbout();
}

void Thelp::button_doneClick() {
    hide();
}

void Thelp::centreOver(QWidget* owner) {
    placer->setOwner(owner);
}

}  // namespace zindle
