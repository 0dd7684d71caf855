// Tchat: watching, the host's seat menu and removal.
#include "client/chatform.h"

#include "widgets/codepage.h"
#include "client/gameoptionsform.h"
#include "widgets/dialogs.h"

namespace zindle {

void Tchat::justwatching(std::string_view f) {
    const auto news = state.justwatching(f);
    if (!news) return;
    const auto [seat, on] = *news;
    if (seat == state.mySeat) JustWatch1->setChecked(on);
    systemLine(shownName(state.names[seat]) + (on ? " is just watching" : " now playing again"));
    image_eyes[seat]->setVisible(on);
}

void Tchat::JustWatch1Click() {
    // The mark follows the host's answer, not the click.
    JustWatch1->setChecked(!JustWatch1->isChecked());
    if (!state.loggedIn || !isPlayerSeat(state.mySeat)) return;
    sendToHost(proto::message(proto::cmd::justwatch,
                              {state.mySeat, JustWatch1->isChecked() ? "2" : "1"}));
}

void Tchat::label_playername1ContextPopup(int seat, const QPoint& at) {
    for (QAction* a : {RemoveFromGame1, SettoJustWatch1, UnsetJustWatch1}) a->setEnabled(state.isHost);
    if (label_playername[seat]->text() == QString::fromUtf8(kWaiting.data(), kWaiting.size()))
        RemoveFromGame1->setEnabled(false);
    popupSeat = seat;
    popup_kick->popup(label_playername[seat]->mapToGlobal(at));
}

void Tchat::kicking(int seat) {
    if (!state.isHost || !state.loggedIn) return;
    sendToHost(proto::message(proto::cmd::kickhim, {state.mySeat, seat, ""}));
}

void Tchat::setJustWatch(int seat, bool on) {
    if (!state.loggedIn || seat >= 5 || seat < 1) return;
    sendToHost(proto::message(proto::cmd::justwatch, {seat, on ? "1" : "2"}));
}

void Tchat::button_startClick() {
    if (!state.loggedIn) {
        setup_.dialogs->message(this, "Zindle", "You are not connected");
        return;
    }
    if (windows_.options) {
        windows_.options->adjustSize();
        windows_.options->move(geometry().center() - windows_.options->rect().center());
        windows_.options->show();
        windows_.options->raise();
    }
    button_startgame->hide();
}

}  // namespace zindle
