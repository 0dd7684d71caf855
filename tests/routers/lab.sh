#!/usr/bin/env bash
# A small internet in network namespaces, for the router tests:
#
#   wan    11.77.0.1  the lobby server (the test binary runs here, as the joiner)
#   rmap   11.77.0.2 | 10.1.0.1  a home router: nftables masquerade, miniupnpd maps
#   rdeny  11.77.0.3 | 10.2.0.1  a home router: nftables masquerade, no mapping service
#          (a miniupnpd told to deny everything stalled the router's netlink
#          here, listing its rules hung, so this one refuses by not answering)
#   hmap   10.1.0.2   a player's machine behind rmap
#   hdeny  10.2.0.2   a player's machine behind rdeny
#
# The wan takes a public-looking network because miniupnpd maps nothing
# behind a reserved address; no route leads out of these namespaces, so no
# packet leaves them. Everything made here goes at the end, on failure too.
#
#   lab.sh TEST_BINARY [ARGS...]     exit 77: skipped (no root, or a tool missing)
set -u

binary=$1
shift
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the router lab makes network namespaces, which needs root"
  exit 77
fi
for tool in ip nft miniupnpd prosody openssl; do
  if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "/usr/sbin/$tool" ]; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps test)"
    exit 77
  fi
done
PATH=$PATH:/usr/sbin

p=zl$$                       # this run's names
dir=$(mktemp -d)
made=()

cleanup() {
  for n in "${made[@]}"; do
    # Whatever still runs in our namespaces was started here.
    for pid in $(ip netns pids "$p-$n" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  done
  for n in "${made[@]}"; do ip netns del "$p-$n" 2>/dev/null; done
  if [ -n "${KEEP_LAB_LOGS:-}" ]; then echo "lab logs: $dir"; else rm -rf "$dir"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "lab: $*" >&2
  exit 1
}

for n in wan rmap rdeny hmap hdeny; do
  ip netns add "$p-$n" || fail "cannot make namespace $p-$n"
  made+=("$n")
  ip -n "$p-$n" link set lo up
done

# A cable: a veth pair from namespace $1 (named $2) to $3 (named $4).
cable() {
  ip link add "${p}x" type veth peer name "${p}y" || fail "cannot make a veth pair"
  ip link set "${p}x" netns "$p-$1" && ip link set "${p}y" netns "$p-$3" &&
    ip -n "$p-$1" link set "${p}x" name "$2" && ip -n "$p-$3" link set "${p}y" name "$4" &&
    ip -n "$p-$1" link set "$2" up && ip -n "$p-$3" link set "$4" up || fail "cannot lay a cable"
}

ip -n "$p-wan" link add br0 type bridge && ip -n "$p-wan" link set br0 up
ip -n "$p-wan" addr add 11.77.0.1/24 dev br0
n=0
for r in rmap rdeny; do
  n=$((n + 1))
  cable wan "w$n" "$r" ext
  ip -n "$p-wan" link set "w$n" master br0
  ip -n "$p-$r" addr add "11.77.0.$((n + 1))/24" dev ext
  h=h${r#r}
  cable "$r" lan "$h" eth0
  ip -n "$p-$r" addr add "10.$n.0.1/24" dev lan
  ip -n "$p-$h" addr add "10.$n.0.2/24" dev eth0
  ip -n "$p-$h" route add default via "10.$n.0.1"
  ip netns exec "$p-$r" sysctl -qw net.ipv4.ip_forward=1

  # The chains miniupnpd fills, and the masquerade of a home router.
  ip netns exec "$p-$r" nft -f - <<EOF || fail "nft refused the router's rules"
table inet filter {
  chain forward { type filter hook forward priority 0; policy accept; jump miniupnpd; }
  chain miniupnpd { }
  chain prerouting { type nat hook prerouting priority -100; policy accept; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority 100; policy accept; jump postrouting_miniupnpd; oifname "ext" masquerade; }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
}
EOF
  [ "$r" = rmap ] || continue
  cat >"$dir/$r.conf" <<EOF
ext_ifname=ext
listening_ip=lan
port=0
enable_natpmp=yes
enable_upnp=yes
secure_mode=yes
system_uptime=no
uuid=00000000-0000-4000-8000-00000000000$n
allow 1024-65535 10.$n.0.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
EOF
  ip netns exec "$p-$r" miniupnpd -d -f "$dir/$r.conf" -P "$dir/$r.pid" >"$dir/$r.log" 2>&1 &
done

# miniupnpd answers once it has opened its NAT-PMP port.
for _ in $(seq 50); do
  if ip netns exec "$p-rmap" ss -uln | grep -q ':5351 '; then break; fi
  sleep 0.1
done

# Bounded here, so that the cleanup above runs even when the scenario hangs.
ZINDLE_LAB=$p ZINDLE_LAB_DIR=$dir timeout -k 5 170 ip netns exec "$p-wan" "$binary" "$@"
rc=$?
if [ $rc -ne 0 ]; then
  echo "== rmap.log"
  tail -20 "$dir/rmap.log"
fi
exit $rc
