#!/bin/sh
# Runs Tallowbrook from a build folder; builds nothing itself.
#
#   scripts/tallowbrook-run.sh BUILD_DIR [--demo] [program arguments...]
#
# With --demo a phone simulator (phone-sim) is started on 127.0.0.1 with a few thousand
# generated messages, so that every phone feature can be tried without a phone. It is stopped
# when the program exits.
set -eu

usage() {
    echo "usage: $0 BUILD_DIR [--demo] [program arguments...]" >&2
    exit 2
}

[ $# -ge 1 ] || usage
build=$1
shift
demo=0
if [ "${1:-}" = "--demo" ]; then
    demo=1
    shift
fi

program="$build/bin/tallowbrook"
if [ ! -x "$program" ]; then
    echo "No program at $program: build it first (cmake --build $build)." >&2
    exit 1
fi

if [ $demo -eq 0 ]; then
    exec "$program" "$@"
fi

sim="$build/tools/phone-sim/phone-sim"
if [ ! -x "$sim" ]; then
    echo "No phone simulator at $sim: build it first (cmake --build $build --target phone-sim)." >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tallowbrook-demo.XXXXXX")
sim_pid=
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=
    fi
    rm -rf "$work"
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

# An incoming message now and then shows the listener at work.
"$sim" --address 127.0.0.1 --count 3000 --contacts 40 --seed 2026 --push-every 120000 \
    --log "$work/phone-sim.log" </dev/null >"$work/phone-sim.out" 2>&1 &
sim_pid=$!

tries=0
until grep -q '^READY' "$work/phone-sim.out" 2>/dev/null; do
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "The phone simulator did not start:" >&2
        cat "$work/phone-sim.out" >&2
        sim_pid=
        exit 1
    fi
    tries=$((tries + 1))
    if [ $tries -gt 200 ]; then
        echo "The phone simulator did not get ready within 20 seconds." >&2
        exit 1
    fi
    sleep 0.1
done

cat <<'TEXT'
Demo phone running on 127.0.0.1 with 3000 messages in 40 conversations.
To connect: Menu > Connection, choose "WiFi", type 127.0.0.1 and press Connect, then
answer Yes to back up the phone's messages. Sending from a chat or the compose window
goes to the demo phone; it also receives a new message every two minutes.
The demo phone stops when Tallowbrook exits.
TEXT

status=0
"$program" "$@" || status=$?
exit $status
