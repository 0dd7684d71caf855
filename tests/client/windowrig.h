// A game window with recording seams and a data folder of its own, and an in-process host
// on a free port, as the whole-window tests use them.
#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "server/server.h"
#include "support/scriptedclient.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"

namespace zindle {

// The recording dialogs, with a look at the moment a message box would open.
struct TestDialogs : RecordingDialogs {
    void message(QWidget* parent, const QString& caption, const QString& text) override {
        if (onMessage) onMessage(text);
        RecordingDialogs::message(parent, caption, text);
    }
    std::function<void(const QString&)> onMessage;
};

// One window with its dialogs, sounds and data folder.
struct Window {
    Window(QStringList params, TServer* server, int port, std::string lobbyPort = "1") {
        ChatSetup setup;
        setup.dialogs = &dialogs;
        setup.sounds = &sounds;
        setup.params = std::move(params);
        setup.dataFolder = home.path();
        setup.port = std::to_string(port);
        setup.lobbyPort = std::move(lobbyPort);
        setup.botDelayMs = 0;
        chat = std::make_unique<Tchat>(setup);
        ChatWindows w;
        w.server = server;
        w.options = &options;
        w.spylist = &spylist;
        w.phrases = &phrases;
        w.fillChecklist = [this](const QStringList& names) { checklist = names; };
        w.addgame = [this](const QString& winner) { tallied << winner; };
        w.saveTally = [this] { ++tallySaves; };
        chat->setWindows(w);
    }
    QTemporaryDir home;
    TestDialogs dialogs;
    RecordingSounds sounds;
    Tgameoptions options;
    Tspylist spylist;
    Tphrases phrases;
    std::unique_ptr<Tchat> chat;
    QStringList checklist;
    QStringList tallied;
    int tallySaves = 0;
};

struct HostRig {
    HostRig() {
        testsupport::ensureApp();
        ServerOptions o;
        o.port = "0";
        o.seed = 11;
        o.runTimers = false;
        server = std::make_unique<TServer>(o);
    }
    bool pump(const std::function<bool()>& done, int ms = 5000) {
        return testsupport::pumpUntil(
            done, [this] { server->socktimerTimer(); }, ms);
    }
    int port() const { return server->port(); }
    std::unique_ptr<TServer> server;
};

}  // namespace zindle
