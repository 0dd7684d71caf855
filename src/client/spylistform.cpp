#include "client/spylistform.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "net/protocol.h"

namespace zindle {

Tspylist::Tspylist(QWidget* parent) : TiledBackground(parent) {
    setObjectName("spylist");
    setWindowTitle("ZN -Spys");
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    auto* v = new QVBoxLayout(this);
    auto* title = new QLabel("Spy List", this);
    title->setProperty("kit", "heading");
    v->addWidget(title);
    listbox_spys = new QListWidget(this);
    listbox_spys->setObjectName("listbox_spys");
    listbox_spys->setMouseTracking(true);
    listbox_spys->viewport()->installEventFilter(this);
    listbox_spys->setContextMenuPolicy(Qt::ActionsContextMenu);
    popup_kickhim = new QAction("Remove From Game", listbox_spys);
    popup_kickhim->setObjectName("popup_kickhim");
    popup_kickhim->setEnabled(false);
    connect(popup_kickhim, &QAction::triggered, this, &Tspylist::removeHovered);
    listbox_spys->addAction(popup_kickhim);
    v->addWidget(listbox_spys);
    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("okButton");
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    v->addWidget(ok, 0, Qt::AlignHCenter);
    resize(220, 260);
}

void Tspylist::addEntry(const QString& entry) {
    // One entry a seat: a seat has one occupant, whatever a host announces.
    const QString seat = entry.section(':', 0, 0) + ":";
    for (QListWidgetItem* old : listbox_spys->findItems(seat, Qt::MatchStartsWith)) delete old;
    listbox_spys->addItem(entry);
}

bool Tspylist::removeEntry(const QString& entry) {
    const auto found = listbox_spys->findItems(entry, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    delete found.first();
    hovered = -1;
    return true;
}

void Tspylist::removeHovered() {
    if (hovered < 0 || hovered >= listbox_spys->count()) return;
    const QString text = listbox_spys->item(hovered)->text();
    const auto seat = proto::parseNumber(text.section(':', 0, 0).toStdString());
    if (seat && onKick) onKick(*seat);
}

bool Tspylist::eventFilter(QObject* o, QEvent* e) {
    if (o == listbox_spys->viewport() &&
        (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonPress)) {
        const QModelIndex i =
            listbox_spys->indexAt(static_cast<QMouseEvent*>(e)->position().toPoint());
        hovered = i.isValid() ? i.row() : -1;
    }
    return TiledBackground::eventFilter(o, e);
}

}  // namespace zindle
