#!/usr/bin/env bash
# `make run` without a display: the virtual display and its VNC share must be this user's alone.
# Starts scripts/run-station on a build folder, then checks from outside as another client would:
# an X client without the run's cookie is refused, VNC listens on 127.0.0.1 only and offers
# password authentication alone (security type 2, never 1 "None"), the password and cookie files
# are private, and Ctrl+C's TERM ends everything the script started.
set -uo pipefail
build=${1:?build folder}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvfb x11vnc xdpyinfo xauth mcookie; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; [[ -n "${runner:-}" ]] && kill -TERM "$runner" 2>/dev/null; cat "$work/out"; exit 1; }

# Another server that admits anyone, reachable only through the abstract socket of the first free
# number (as another user's could be): the station's display must not end up there.
: >"$work/rogue.fd"
Xvfb -displayfd 3 -ac -nolisten tcp -nolisten unix 3>"$work/rogue.fd" >/dev/null 2>&1 &
rogue=$!
for _ in $(seq 100); do [[ -s "$work/rogue.fd" ]] && break; sleep 0.05; done
rogue_display=:$(tr -dc '0-9' <"$work/rogue.fd")
trap 'kill "$rogue" 2>/dev/null' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY -u XAUTHORITY setsid "$source_dir/scripts/run-station" "$build" >"$work/out" 2>&1 &
runner=$!
for _ in $(seq 300); do
  grep -q '^Ctrl+C here' "$work/out" && break
  kill -0 "$runner" 2>/dev/null || fail "run-station ended early"
  sleep 0.05
done
display=$(sed -n 's/.*virtual display \(:[0-9]*\),.*/\1/p' "$work/out")
port=$(sed -n 's/.*VNC on 127\.0\.0\.1:\([0-9]*\) only.*/\1/p' "$work/out")
password=$(sed -n 's/.*with the password \([A-Za-z0-9]*\)$/\1/p' "$work/out")
[[ -n "$display" && -n "$port" && -n "$password" ]] || fail "no display, port or password printed"
[[ "$display" != "$rogue_display" ]] || fail "the station's display is the other server's $rogue_display"

# The X server admits no client without the cookie.
if XAUTHORITY=/dev/null xdpyinfo -display "$display" >/dev/null 2>&1; then fail "X display $display admits anyone"; fi
if [[ $(id -u) -eq 0 ]] && command -v runuser >/dev/null; then
  if runuser -u nobody -- env XAUTHORITY=/dev/null xdpyinfo -display "$display" >/dev/null 2>&1; then
    fail "user nobody reaches $display"
  fi
fi

# VNC: listening on the loopback address only, and password authentication only.
if command -v ss >/dev/null; then
  ss -ltnH "sport = :$port" | awk '{print $4}' | grep -qvE '^(127\.0\.0\.1|\[::1\]):' && fail "VNC listens beyond 127.0.0.1"
fi
exec 3<>"/dev/tcp/127.0.0.1/$port" || fail "no VNC on 127.0.0.1:$port"
version=$(head -c 12 <&3)
[[ "$version" == RFB\ 003.* ]] || fail "not an RFB server: $version"
printf 'RFB 003.008\n' >&3
read -r -a types < <(head -c 2 <&3 | od -An -tu1)
exec 3>&-
[[ "${types[0]:-0}" == 1 && "${types[1]:-}" == 2 ]] || fail "VNC offers security types ${types[*]}, not 2 alone"

# The password lies in the user's runtime folder, readable by the user only.
file=$XDG_RUNTIME_DIR/vlk-station/vnc-password
[[ -f "$file" ]] || fail "no password file $file"
[[ "$(stat -c %a "$file")" == 600 ]] || fail "password file mode $(stat -c %a "$file")"
[[ "$(head -n 1 "$file")" == "$password" ]] || fail "the printed password is not the stored one"

# TERM (what Ctrl+C's trap turns into) ends the station, the simulator, Xvfb and x11vnc.
kill -TERM "$runner"
for _ in $(seq 200); do kill -0 "$runner" 2>/dev/null || break; sleep 0.05; done
kill -0 "$runner" 2>/dev/null && fail "run-station did not end on TERM"
sleep 0.2
if xdpyinfo -display "$display" >/dev/null 2>&1; then fail "display $display still up"; fi
[[ -e "/tmp/.X11-unix/X${display#:}" ]] && fail "socket of $display left behind"
echo "PASS: $display, VNC 127.0.0.1:$port with a password of the run"
rm -rf "$work"
