#include "engine/seat.h"

#include "net/protocol.h"

namespace zindle::engine {

namespace cmd = proto::cmd;

const Lexicon& sharedLexicon() {
    static const Lexicon lex = Lexicon::fromRecords(builtinWordList());
    return lex;
}

Rack visibleRack(const GameState& state) {
    Rack rack = emptyRack();
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const RackTile& t = state.rack()[slot];
        if (t.visible && isLetterCode(t.code)) rack[slot] = t.code;
    }
    return rack;
}

BotSeat::BotSeat(const Lexicon& lex, std::string name, Level level, uint32_t seed)
    : lex_(lex), level_(level), random_(seed) {
    session_.setListener(this);
    if (name.size() > 20) name.resize(20);  // the host keeps no more
    state_.setLoginName(name);
    state_.setPlayerName(std::move(name));
}

std::optional<std::string> BotSeat::receive(std::string_view entry) {
    turnChanged_ = false;
    std::optional<std::string> answer = session_.receive(entry);
    if (turnChanged_) ++serial_;
    return answer;
}

void BotSeat::turnBegan(int seat) {
    if (!isPlayer(seat)) return;
    passed_[seat] = false;
    pending_ = seat == state_.mySeat();
    if (pending_) exchangeRefused_ = false;
    turnChanged_ = true;
}

void BotSeat::turnEnded(int seat, bool timeUp) {
    if (seat != state_.mySeat() && timeUp) return;
    if (!timeUp) passed_[seat] = true;
    if (seat == state_.mySeat()) {
        pending_ = false;
        turnChanged_ = true;
    }
}

void BotSeat::gameStarted(const StartNews&) {
    pending_ = false;
    passed_.fill(false);
    turnChanged_ = true;
}

void BotSeat::gameEnded(const std::string&) {
    pending_ = false;
    turnChanged_ = true;
}

void BotSeat::winnersNamed(const std::vector<int>&) {
    gameEnded({});
}

void BotSeat::tilesExchanged(const TileNews& news) {
    // New Tiles keeps the turn: think again with the new rack.
    if (news.seat != state_.mySeat() || !state_.ownTurn()) return;
    pending_ = true;
    turnChanged_ = true;
}

void BotSeat::exchangeRefused(bool) {
    if (!state_.ownTurn()) return;
    exchangeRefused_ = true;
    pending_ = true;
    turnChanged_ = true;
}

void BotSeat::moveRefused(const std::vector<int>&) {
    if (!state_.ownTurn()) return;
    // The host and this list disagree; passing keeps the game going.
    ++refused_;
    passNext_ = true;
    pending_ = true;
    turnChanged_ = true;
}

Situation BotSeat::situation() const {
    Situation s;
    s.seat = state_.mySeat();
    s.partner = state_.partners() && isPlayer(s.seat) ? partnerOf(s.seat) : 0;
    for (int seat = 1; seat <= kPlayerSeats; ++seat) {
        s.playing[seat] = state_.names()[seat] != kWaiting && !state_.watching()[seat];
        s.scores[seat] = state_.scores()[seat];
        s.passed[seat] = passed_[seat];
    }
    s.playing[s.seat] = true;
    s.tilesLeft = state_.tilesLeft();
    s.mayExchange = !state_.boughtTiles() && !exchangeRefused_;
    s.playto = state_.playToScore();
    return s;
}

Decision Turn::decide(const Lexicon& lex, const Budget& budget) const {
    Random random(seed);
    const Position pos{colours, letters, seat, firstword, doubletiles};
    return engine::decide(lex, pos, rack, situation, level, random, budget);
}

std::optional<Turn> BotSeat::beginTurn() {
    if (!pending_ || !state_.ownTurn()) return std::nullopt;
    pending_ = false;
    Turn t;
    t.serial = serial_;
    t.seat = state_.mySeat();
    if (passNext_) {
        passNext_ = false;
        t.passOnly = true;
        return t;
    }
    t.rack = visibleRack(state_);
    t.colours = state_.colours();
    t.letters = state_.letters();
    t.firstword = state_.boardEmpty();
    t.doubletiles = state_.doubleTiles();
    t.situation = situation();
    t.level = level_;
    t.seed = static_cast<uint32_t>(random_.random(0x7fffffff)) + 1;
    return t;
}

std::optional<std::string> BotSeat::finishTurn(const Turn& turn, const Decision& d) {
    if (turn.serial != serial_ || !state_.ownTurn()) return std::nullopt;
    const int me = state_.mySeat();
    if (turn.passOnly || d.kind == Decision::Pass) return proto::message(cmd::pass, {me});
    if (d.kind == Decision::Exchange) return proto::message(cmd::newtiles, {me});

    // Laid the way a player lays them: pick the rack tile, turn it, put it down.
    state_.clearLaid();
    for (int i = 0; i < d.move.count; ++i) {
        const TileLay& t = d.move.tiles[i];
        if (state_.rack()[t.slot].back != t.flipped) state_.flippit(t.slot);
        state_.rackClick(t.slot, false);
        if (state_.boardClick(t.x, t.y, true) != GameState::BoardClick::Laid) {
            state_.clearLaid();
            return std::nullopt;  // the turn clock ran out under us
        }
    }
    return state_.doneMessage();
}

std::optional<std::string> BotSeat::play(const Budget& budget) {
    const std::optional<Turn> turn = beginTurn();
    if (!turn) return std::nullopt;
    return finishTurn(*turn, turn->passOnly ? Decision{} : turn->decide(lex_, budget));
}

}  // namespace zindle::engine
