#include "clientstate/gamestate.h"

#include <algorithm>
#include <climits>

#include "net/protocol.h"

namespace zindle {

using proto::FieldReader;

namespace {

// A host may send any number; the clocks must not overflow on it.
int saturatedAdd(int a, int b) {
    const long long s = static_cast<long long>(a) + b;
    return static_cast<int>(std::clamp<long long>(s, INT_MIN, INT_MAX));
}

std::optional<int> seatField(FieldReader& r, bool player) {
    const auto seat = r.number();
    if (!seat || !(player ? isPlayer(*seat) : isSeat(*seat))) return std::nullopt;
    return seat;
}

// Groups of x, y, code; nothing when a number fails or a group is off the board.
std::optional<std::vector<Placement>> placements(std::string_view fields) {
    const auto groups = proto::numberGroups(fields, 3);
    if (!groups) return std::nullopt;
    std::vector<Placement> out;
    for (const auto& g : *groups) {
        if (!onBoard(g[0], g[1]) || !isLetterCode(g[2])) return std::nullopt;
        out.push_back({g[0], g[1], g[2]});
    }
    return out;
}

}  // namespace

std::string RackTile::hint() const {
    if (code == kNoTile) return "n";
    return std::string(back ? "y+" : "n+") + std::to_string(shown());
}

std::string clockText(int seconds) {
    if (seconds < 0) seconds = 0;
    const int s = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

GameState::GameState()
    : colours_(makeGrid(0)),
      letters_(makeGrid(kNoTile)),
      newest_(makeGrid(0)),
      cellslot_(makeGrid(kNoTile)) {
    names_.fill(std::string(kWaiting));
    laid_.fill(kNoCell);
    for (int i = 0; i < kRackSize; ++i) rackorder_[i] = {kNoTile, i + 1};
    getboard({1, 2, 3, 4});
}

bool GameState::boardEmpty() const {
    for (const auto& column : letters_)
        for (int32_t code : column)
            if (code != kNoTile) return false;
    return true;
}

int GameState::positionOf(int slot) const {
    for (int i = 0; i < kRackSize; ++i)
        if (rackorder_[i].slot == slot) return i;
    return -1;
}

std::string GameState::seatLabel(int seat) const {
    return isPlayer(seat) ? names_[seat] : std::string();
}

// ---- host messages -----------------------------------------------------------

std::optional<LoginAnswer> GameState::sendlogininfo(std::string_view fields) {
    const auto seat = proto::parseNumber(fields);
    if (!seat || !isSeat(*seat)) return std::nullopt;
    mySeat_ = *seat;
    loggedIn_ = true;
    return LoginAnswer{*seat,
                       proto::message(proto::cmd::logininfo, {*seat, proto::kVersion, loginName_})};
}

std::optional<PlayerNews> GameState::newplayerinfo(std::string_view fields) {
    FieldReader r(fields);
    const auto seat = seatField(r, false);
    if (!seat) return std::nullopt;
    PlayerNews news{*seat, std::string(r.rest()), *seat == mySeat_, {}};
    if (isPlayer(*seat)) {
        news.previous = names_[*seat];
        names_[*seat] = news.name;
    }
    return news;
}

std::optional<PlayerNews> GameState::playerdisconnected(std::string_view fields) {
    FieldReader r(fields);
    const auto seat = seatField(r, false);
    if (!seat) return std::nullopt;
    PlayerNews news{*seat, std::string(r.rest()), *seat == mySeat_, {}};
    if (news.own) loggedIn_ = false;
    if (isPlayer(*seat)) {
        news.previous = names_[*seat];
        names_[*seat] = std::string(kWaiting);
        watching_[*seat] = false;
    }
    return news;
}

bool GameState::gamesettings(std::string_view fields) {
    FieldReader r(fields);
    if (auto n = r.number()) turnLength_ = *n;
    const auto count = r.number();
    if (!count) return false;
    zindleCount_ = *count;
    const auto minutes = r.number();
    if (!minutes) return false;
    gameLength_ = *minutes;
    const auto elapsed = r.number();
    if (!elapsed) return false;
    gameSeconds_ = std::max(0, *elapsed);
    const auto target = r.number();
    if (!target) return false;
    playToScore_ = *target;
    doubleTiles_ = r.field() == "y";
    partners_ = r.rest() == "y";
    getzindle(colours_, zindleCount_);
    return true;
}

std::optional<int> GameState::tilecount(std::string_view fields) {
    const auto n = proto::parseNumber(fields);
    if (!n || *n < 0 || *n > kMaxDrawn) return std::nullopt;
    tilesDrawn_ = *n;
    return tilesLeft();
}

std::optional<int> GameState::notiles(std::string_view fields) {
    FieldReader r(fields);
    return seatField(r, true);
}

std::optional<StartNews> GameState::startthegame(std::string_view fields) {
    FieldReader r(fields);
    StartNews news{std::string(r.field()), false};
    tilesDrawn_ = -2;
    gameOver_ = false;
    clearall();
    if (auto n = r.number()) turnLength_ = *n;
    const auto count = r.number();
    if (!count) return std::nullopt;
    zindleCount_ = *count;
    const auto minutes = r.number();
    if (!minutes) return std::nullopt;
    gameLength_ = *minutes;
    const auto target = r.number();
    if (!target) return std::nullopt;
    playToScore_ = *target;
    doubleTiles_ = r.field() == "y";
    r.field();  // the partners flag as asked
    partners_ = r.rest() == "y";
    news.ownStart = news.starter == playerName_;
    gameSeconds_ = 0;
    clockRunning_ = true;
    boughtTiles_ = false;
    return news;
}

std::optional<int> GameState::getnextplayer(std::string_view fields) {
    const auto seat = proto::parseNumber(fields);
    clearLaid();
    if (!seat || !isPlayer(*seat)) return std::nullopt;
    turnSeat_ = *seat;
    turnSecondsLeft_ = saturatedAdd(turnLength_, -1);
    clockRunning_ = true;
    return seat;
}

std::optional<ScoreNews> GameState::postscore(std::string_view fields) {
    FieldReader r(fields);
    for (auto& b : bonus_) b.clear();
    ScoreNews news;
    if (!r.number()) return std::nullopt;  // tiles drawn: not shown here
    const auto seat = seatField(r, true);
    const auto effect = r.number();
    const auto points = r.number();
    if (!seat || !effect || !points) return std::nullopt;
    news.seat = *seat;
    news.effect = *effect;
    news.points = *points;
    bonus_[*seat] = std::to_string(*points).insert(0, 1, '+');
    const auto score = r.number();
    if (!score) return std::nullopt;
    news.score = scores_[*seat] = *score;
    const auto seat2 = seatField(r, true);
    const auto score2 = r.number();
    if (!seat2 || !score2) return std::nullopt;
    news.seat2 = *seat2;
    news.score2 = scores_[*seat2] = *score2;
    news.word = std::string(r.field());
    return news;
}

std::optional<int> GameState::passed(std::string_view fields) {
    const auto seat = proto::parseNumber(fields);
    if (!seat || !isPlayer(*seat)) return std::nullopt;
    if (*seat == mySeat_) clearLaid();
    cancelPick();
    return seat;
}

std::vector<int> GameState::winner(std::string_view fields) {
    turnSeat_ = 0;
    clockRunning_ = false;
    cancelPick();
    gameOver_ = true;
    std::vector<int> seats;
    proto::ListReader r(fields);
    while (r.more()) {
        const auto seat = r.number();
        if (seat && isPlayer(*seat)) seats.push_back(*seat);
    }
    return seats;
}

bool GameState::arrangeboard(std::string_view fields) {
    FieldReader r(fields);
    std::array<int, 4> q{};
    for (int i = 0; i < 4; ++i) {
        const auto n = i < 3 ? r.number() : r.restNumber();
        if (!n || !isPlayer(*n)) return false;
        q[i] = *n;
    }
    getboard({q[0], q[1], q[2], q[3]});
    return true;
}

void GameState::getboard(const Arrangement& a) {
    zindle::getboard(colours_, a);
    getzindle(colours_, zindleCount_);
}

std::optional<int> GameState::atile(std::string_view fields) {
    FieldReader r(fields);
    const auto slot = r.number();
    const auto code = r.restNumber();
    if (!slot || !code || !isSlot(*slot) || !isLetterCode(*code)) return std::nullopt;
    RackTile& t = rack_[*slot];
    t.code = *code;
    t.back = false;
    t.visible = true;
    const int pos = positionOf(*slot);
    if (pos >= 0) rackorder_[pos].code = *code;
    return slot;
}

std::optional<Placement> GameState::showboard(std::string_view fields) {
    FieldReader r(fields);
    const auto x = r.number();
    const auto y = r.number();
    const auto code = r.restNumber();
    if (!x || !y || !code || !onBoard(*x, *y) || !isLetterCode(*code)) return std::nullopt;
    letters_[*x][*y] = *code;
    return Placement{*x, *y, *code};
}

std::optional<std::vector<Placement>> GameState::reposition(std::string_view fields) {
    auto groups = placements(fields);
    if (!groups) return std::nullopt;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Cell c = laid_[slot];
        if (c == kNoCell) continue;
        cellslot_[c.x][c.y] = kNoTile;
        letters_[c.x][c.y] = kNoTile;
        laid_[slot] = kNoCell;
    }
    for (const Placement& p : *groups) letters_[p.x][p.y] = p.code;
    return groups;
}

std::optional<std::vector<Placement>> GameState::newword(std::string_view fields) {
    auto groups = placements(fields);
    if (!groups) return std::nullopt;
    fillGrid(newest_, 0);
    for (const Placement& p : *groups) {
        newest_[p.x][p.y] = 1;
        letters_[p.x][p.y] = p.code;
        const int slot = cellslot_[p.x][p.y];
        if (ownTurn() && isSlot(slot)) {
            laid_[slot] = kNoCell;
            cellslot_[p.x][p.y] = kNoTile;
        }
    }
    cancelPick();
    return groups;
}

std::optional<TileNews> GameState::newtiles(std::string_view fields) {
    FieldReader r(fields);
    const auto seat = seatField(r, true);
    const auto score = r.number();
    const auto partner = r.number();
    const auto partnerScore = r.restNumber();
    cancelPick();
    if (!seat || !score) return std::nullopt;
    TileNews news{*seat, *score, 0, 0, *seat == mySeat_};
    scores_[*seat] = *score;
    bonus_[*seat] = "-10";
    if (partner && partnerScore && isPlayer(*partner)) {
        news.partner = *partner;
        news.partnerScore = scores_[*partner] = *partnerScore;
    }
    if (news.own) {
        clearLaid();
        boughtTiles_ = true;
    }
    return news;
}

std::optional<std::pair<int, bool>> GameState::justwatching(std::string_view fields) {
    FieldReader r(fields);
    const auto seat = seatField(r, true);
    if (!seat) return std::nullopt;
    const bool on = r.rest() == "1";
    watching_[*seat] = on;
    return std::make_pair(*seat, on);
}

// ---- board and rack_ steps ------------------------------------------------------

void GameState::clearall() {
    for (int s = 1; s <= kPlayerSeats; ++s) {
        watching_[s] = false;
        bonus_[s].clear();
        scores_[s] = 0;
    }
    fillGrid(letters_, kNoTile);
    fillGrid(cellslot_, kNoTile);
    fillGrid(newest_, 0);
    laid_.fill(kNoCell);
    for (auto& t : rack_) t.visible = false;
    pickedSlot_ = 0;
}

void GameState::takeBack(int slot) {
    const Cell c = laid_[slot];
    rack_[slot].visible = true;
    cellslot_[c.x][c.y] = kNoTile;
    letters_[c.x][c.y] = kNoTile;
    laid_[slot] = kNoCell;
}

std::vector<int> GameState::clearLaid() {
    std::vector<int> slots;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        if (laid_[slot] == kNoCell) continue;
        takeBack(slot);
        slots.push_back(slot);
    }
    return slots;
}

GameState::BoardClick GameState::boardClick(int x, int y, bool leftButton) {
    if (!canLay() || !onBoard(x, y)) return BoardClick::None;
    const int slot = cellslot_[x][y];
    if (slot == kNoTile) {
        const int picked = pickedSlot_;
        cancelPick();
        if (!isSlot(picked)) return BoardClick::None;
        if (letters_[x][y] != kNoTile || laid_[picked] != kNoCell || rack_[picked].code == kNoTile)
            return BoardClick::Cancelled;
        letters_[x][y] = rack_[picked].shown();
        rack_[picked].visible = false;
        laid_[picked] = {x, y};
        cellslot_[x][y] = picked;
        return BoardClick::Laid;
    }
    if (leftButton || !isSlot(slot)) return BoardClick::None;
    takeBack(slot);
    return BoardClick::TakenBack;
}

RackClick GameState::rackClick(int slot, bool rightButton) {
    if (!isSlot(slot)) return RackClick::None;
    if (rightButton) {
        cancelPick();
        return doubleTiles_ && flippit(slot) ? RackClick::Flipped : RackClick::Cancelled;
    }
    if (pickedSlot_ != 0) {
        const int picked = pickedSlot_;
        cancelPick();
        if (picked == slot) return RackClick::Cancelled;
        swapSlots(picked, slot);
        return RackClick::Swapped;
    }
    if (rack_[slot].code == kNoTile) return RackClick::None;
    pickedSlot_ = slot;
    return RackClick::Picked;
}

void GameState::swapSlots(int a, int b) {
    const int pa = positionOf(a);
    const int pb = positionOf(b);
    if (pa < 0 || pb < 0) return;
    std::swap(rackorder_[pa], rackorder_[pb]);
}

bool GameState::flippit(int slot) {
    if (!isSlot(slot) || rack_[slot].code == kNoTile) return false;
    rack_[slot].back = !rack_[slot].back;
    return true;
}

void GameState::sortthem() {
    for (int pass = 0; pass < 10; ++pass)
        for (int i = kRackSize - 1; i >= 1; --i)
            if (rackorder_[i].code < rackorder_[i - 1].code)
                std::swap(rackorder_[i], rackorder_[i - 1]);
}

std::optional<std::string> GameState::doneMessage() const {
    if (!loggedIn_) return std::nullopt;
    proto::Builder b(proto::cmd::done);
    b << mySeat_;
    bool any = false;
    for (int slot = 1; slot <= kRackSize; ++slot) {
        const Cell c = laid_[slot];
        if (c == kNoCell) continue;
        b << slot << (rack_[slot].back ? "y" : "n") << c.x << c.y;
        any = true;
    }
    if (!any) return std::nullopt;
    return b.str();
}

ClockTick GameState::clockTick() {
    ClockTick t;
    gameSeconds_ = saturatedAdd(gameSeconds_, 1);
    t.gameSeconds = gameSeconds_;
    if (turnSecondsLeft_ <= 0) return t;
    --turnSecondsLeft_;
    t.tick = turnSecondsLeft_ == 20 || (turnSecondsLeft_ >= 1 && turnSecondsLeft_ <= 10);
    t.turnSeconds = turnSecondsLeft_;
    return t;
}

}  // namespace zindle
