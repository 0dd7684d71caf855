// Arbitrary message sequences from a host, fed to one game window's queue and
// dispatch (offscreen, no sockets). Each input is a little program: a known
// command with fuzzed fields, or raw bytes; fields and messages reach 64 KiB.
#include <QApplication>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "client/chatform.h"
#include "client/gameoptionsform.h"
#include "client/phrasesform.h"
#include "client/spylistform.h"
#include "widgets/dialogs.h"
#include "widgets/sounds.h"

namespace {

constexpr std::array<const char*, 36> kCommands{"CMD_sendlogininfo",
                                                "CMD_chat",
                                                "CMD_action",
                                                "CMD_newplayerinfo",
                                                "CMD_havewrongversion",
                                                "CMD_wrongversion",
                                                "CMD_existingplayers",
                                                "CMD_playerdisconnected",
                                                "CMD_startgame",
                                                "CMD_nextplayer",
                                                "CMD_winner",
                                                "CMD_arrangeboard",
                                                "CMD_atile",
                                                "CMD_placeletter",
                                                "CMD_reposition",
                                                "CMD_postscore",
                                                "CMD_newword",
                                                "CMD_showboard",
                                                "CMD_newtiles",
                                                "CMD_pass",
                                                "CMD_timeup",
                                                "CMD_invalid",
                                                "CMD_playergotscore",
                                                "CMD_gametimeup",
                                                "CMD_nomoretiles",
                                                "CMD_everyonepassed",
                                                "CMD_gamesettings",
                                                "CMD_justwatching",
                                                "CMD_tilecount",
                                                "CMD_already",
                                                "CMD_notenough",
                                                "CMD_notiles",
                                                "CMD_full",
                                                "CMD_zn",
                                                "CMD_logininfo",
                                                "CMD_done"};

struct Rig {
    Rig() {
        zindle::ChatSetup setup;
        setup.dialogs = &dialogs;
        setup.sounds = &sounds;
        setup.params = {"Fuzz", "127.0.0.1"};  // two parameters: nothing connects
        setup.dataFolder = "/nonexistent-zindle-fuzz";
        chat = std::make_unique<zindle::Tchat>(setup);
        zindle::ChatWindows w;
        w.options = &options;
        w.spylist = &spylist;
        w.phrases = &phrases;
        w.fillChecklist = [](const QStringList&) {};
        w.addgame = [](const QString&) {};
        chat->setWindows(w);
    }
    zindle::RecordingDialogs dialogs;
    zindle::RecordingSounds sounds;
    zindle::Tgameoptions options;
    zindle::Tspylist spylist;
    zindle::Tphrases phrases;
    std::unique_ptr<zindle::Tchat> chat;
};

std::string field(const uint8_t*& p, const uint8_t* end) {
    if (p == end) return {};
    const uint8_t b = *p++;
    switch (b % 8) {
        case 0:
            return std::to_string(static_cast<int>(b / 8) - 4);
        case 1:
            return "y";
        case 2:
            return "100";
        case 3:
            return "2147483647";
        case 4:
            return "-2147483648";
        case 5: {
            std::string text;
            while (p != end && *p != 0xFF && text.size() < (b >> 3))
                text += static_cast<char>(*p++);
            return text;
        }
        case 6: {
            // A long run without spaces, up to 64 KiB: names, words and chat a
            // hostile host makes as long as a message can be.
            std::size_t n = 0;
            for (int i = 0; i < 2 && p != end; ++i) n = (n << 8) | *p++;
            const char c = p == end || *p == 0xFF ? 'x' : static_cast<char>(*p++);
            return std::string(n + 1, c);
        }
        default:
            return std::to_string(b % 27);
    }
}

}  // namespace

// Fonts are loaded once per process and kept by the font library on purpose.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libQt6Gui\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_window";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    static Rig rig;
    (void)app;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    std::string bytes;
    while (p != end && bytes.size() < (8u << 20)) {
        const uint8_t op = *p++;
        if (op < 216) {
            bytes += kCommands[op % kCommands.size()];
            const int n = p == end ? 0 : *p++ % 10;
            for (int i = 0; i < n; ++i) bytes += "+" + field(p, end);
            bytes += '\xFF';
        } else {
            while (p != end && bytes.size() < 70000) {
                const char c = static_cast<char>(*p++);
                bytes += c;
                if (c == '\xFF') break;
            }
        }
    }
    // Fed in two halves, so messages cut by a read are exercised too.
    rig.chat->receive(std::string_view(bytes).substr(0, bytes.size() / 2));
    rig.chat->receive(std::string_view(bytes).substr(bytes.size() / 2));
    while (rig.chat->queued() > 0) rig.chat->processsocktimer();
    rig.chat->clockTick();
    // The recorders grow with the run, not with the window: what the window keeps is measured.
    rig.sounds.played.clear();
    rig.dialogs.calls.clear();
    return 0;
}
