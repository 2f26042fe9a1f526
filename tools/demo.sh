#!/bin/sh
# make demo: the program on its virtual printer. With a display it runs as on any desktop.
# Without one it runs on a private virtual screen (Xvfb) through a short scripted walk, and the
# pictures of its windows and the printed pages land in OUT.
# Usage: demo.sh RELEASE_BUILD_DIR OUT (VIRTUAL_SCREEN_PACKAGES: what the virtual screen needs)
release="$1"
out="$2"
program="$release/src/cantra-adjust"

# The program's end as the demo's: Quit is 0; stopped from outside (hang-up, interrupt,
# terminate) is a normal end of a demo too. A crash keeps its status.
finish() {
    case "$1" in
    0) exit 0 ;;
    129 | 130 | 143)
        echo "cantra-adjust was stopped from outside (signal $(($1 - 128)))."
        exit 0
        ;;
    *) exit "$1" ;;
    esac
}

if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
    "$program" --virtual-printer
    finish $?
fi

echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set): the demo runs on a"
echo "virtual screen (Xvfb, 1280 x 1024) and walks through the windows by itself."
sh "$(dirname "$0")/install-packages.sh" $VIRTUAL_SCREEN_PACKAGES || exit 1

rm -rf "$out"
mkdir -p "$out/pages" || exit 1
scratch=$(mktemp -d) || exit 1
chmod 700 "$scratch"
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# Xvfb picks a free display number itself and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
server=$!
tries=0
until grep -q . "$scratch/display" 2>/dev/null; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
        echo "The virtual screen did not start:"
        cat "$scratch/xvfb.log"
        exit 1
    fi
    sleep 0.1
done

DISPLAY=":$(head -n 1 "$scratch/display")"
export DISPLAY
export XDG_RUNTIME_DIR="$scratch"
echo "Virtual screen $DISPLAY; the walk takes about half a minute (the close waits 10 s)."
echo "Pictures:"
CANTRA_DEMO_WALK="$out" timeout 300 "$program" --virtual-printer --pages "$out/pages"
status=$?
if [ "$status" -eq 124 ]; then
    echo "The walk did not end within 5 minutes."
    exit 1
fi
echo "Printed pages:"
ls -1 "$out"/pages/*.png 2>/dev/null || echo "  none"
finish "$status"
