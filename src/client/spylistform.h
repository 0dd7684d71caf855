// Tspylist: the spectators ("5: Name"), with the host's "Remove From Game".
#pragma once

#include <QAction>
#include <QListWidget>
#include <functional>

#include "widgets/tiledbackground.h"

namespace zindle {

class Tspylist : public TiledBackground {
public:
    explicit Tspylist(QWidget* parent = nullptr);
    QListWidget* listbox_spys = nullptr;
    QAction* popup_kickhim = nullptr;
    int hovered = -1;  // the list's tag: the entry under the pointer

    void setHost(bool host) { popup_kickhim->setEnabled(host); }
    void addEntry(const QString& entry);
    bool removeEntry(const QString& entry);
    void removeHovered();  // "Remove From Game" on the entry under the pointer
    std::function<void(int seat)> onKick;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

}  // namespace zindle
