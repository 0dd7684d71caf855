-- A Prosody server for a Zindle lobby. Copy it to /etc/prosody/conf.d/,
-- put your own domain in place of lobby.example.org, get a certificate for
-- it (for example "prosodyctl --root cert import /etc/letsencrypt/live"),
-- and restart Prosody. Players then sign in to lobby.example.org and meet in
-- lobby@conference.lobby.example.org.

-- The operator's account creates the lobby room once and owns it: sign in
-- with zindle-lobby as this account before anybody else does.
admins = { "operator@lobby.example.org" }

VirtualHost "lobby.example.org"
    -- Players create their accounts from the lobby window.
    allow_registration = true
    -- At most one new account from one address an hour.
    min_seconds_between_registrations = 3600
    c2s_require_encryption = true
    authentication = "internal_hashed"
    modules_enabled = { "ping", "register" }

Component "conference.lobby.example.org" "muc"
    -- Only the operator makes rooms, and the rooms stay when they empty.
    restrict_room_creation = "admin"
    muc_room_default_persistent = true
    muc_room_locking = false
    muc_room_default_history_length = 20

-- The SOCKS5 proxy relays games between players whose routers let no
-- connection in.
Component "proxy.lobby.example.org" "proxy65"
    proxy65_address = "lobby.example.org"
