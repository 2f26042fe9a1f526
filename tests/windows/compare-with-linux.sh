#!/usr/bin/env bash
# The Windows console tool under Wine next to the Linux build of the same program: each case
# runs both with the same command line against printers in the same state, and they must give
# the same exit code, standard output, standard error (line endings aside) and the same
# exchanges with the printer (their protocol traces without the times).
#
# usage: compare-with-linux.sh WINDOWS_EXE LINUX_SERVICE LINUX_VPRINTER WORK_DIR
#
# WORK_DIR keeps the Wine prefix between runs (the first run makes it, 15-30 s) and each
# case's files under runs/CASE/{linux,windows}.
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 WINDOWS_EXE LINUX_SERVICE LINUX_VPRINTER WORK_DIR" >&2
    exit 2
fi
windows_exe=$(realpath "$1")
linux_service=$(realpath "$2")
vprinter=$(realpath "$3")
mkdir -p "$4"
work=$(realpath "$4")

# A run that takes longer than this has hung: a time-out that never fired.
run_limit=90
# The silent printer's time-outs may end this far apart between the builds before it counts
# as a different time-out rather than a slow machine (one try is 5 s).
silent_tolerance_ms=3000

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No .NET or HTML engine for a console tool: wineboot would try to install them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export ASAN_OPTIONS=detect_leaks=0
# Wine hands the environment to the Windows program; LPT1 must be Wine's own device.
unset DISPLAY WAYLAND_DISPLAY CANTRA_LPT1 CANTRA_LPT2 CANTRA_LPT3 CANTRA_PORT_TIME_DIVISOR

wineserver=$(command -v wineserver || command -v wineserver-stable || echo /usr/lib/wine/wineserver)
printers=()

finish() {
    for pid in "${printers[@]}"; do
        kill "$pid" 2>/dev/null
    done
    "$wineserver" -k 2>/dev/null
}
trap finish EXIT

started=$(date +%s)
mkdir -p "$WINEPREFIX"
# One server for every run, started here so that it outlives each run and says what it has to
# say into its own log: a cold start of Wine costs seconds each time.
"$wineserver" -k 2>/dev/null
"$wineserver" -p 2>"$work/wineserver.log" || { echo "wineserver did not start" >&2; exit 1; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== making the Wine prefix $WINEPREFIX (once)"
    wineboot -i >"$work/wineboot.log" 2>&1 || { echo "wineboot failed, see $work/wineboot.log" >&2; exit 1; }
fi
wine cmd /c exit 0 >/dev/null 2>&1
echo "== Wine ready after $(($(date +%s) - started)) s"

runs="$work/runs"
rm -rf "$runs"
failures=0

# Starts cantra-vprinter on a pseudo-terminal linked from $1 with the options after it, and
# waits for the link; the printer's pid goes into $printer.
start_printer() {
    local link=$1
    shift
    "$vprinter" --link "$link" "$@" 2>/dev/null &
    printer=$!
    printers+=("$printer")
    for _ in $(seq 50); do
        [ -L "$link" ] && return 0
        sleep 0.1
    done
    echo "cantra-vprinter did not make $link" >&2
    exit 1
}

# The trace without its times and its dated title line.
exchanges() {
    tr -d '\r' <"$1" | grep -v '^#' | sed 's/^ *[0-9]* //'
}

# Says what differs between the two builds' file $2 of case $1 and counts a failure.
compare() {
    local case=$1 name=$2 filter=${3:-cat}
    local linux="$runs/$case/linux/$name" windows="$runs/$case/windows/$name"
    if [ "$filter" = binary ]; then
        cmp -s "$linux" "$windows" && return 0
        echo "FAIL $case: $name differs: $(cmp "$linux" "$windows" 2>&1)"
    else
        diff -u --label "linux/$name" --label "windows/$name" \
            <($filter "$linux") <($filter "$windows") >"$runs/$case/$name.diff" && return 0
        echo "FAIL $case: $name differs (- Linux, + Windows):"
        head -n 40 "$runs/$case/$name.diff" | sed 's/^/    /'
    fi
    failures=$((failures + 1))
}

no_cr() { tr -d '\r' <"$1"; }

# run BUILD CASE PORT ARGS...: one build's run of the command line in the case's folder, with
# its trace; PORT is "virtual" or the link of a printer, which becomes LPT1.
run() {
    local build=$1 case=$2 port=$3
    shift 3
    local dir="$runs/$case/$build"
    mkdir -p "$dir"
    local args=("$@" --trace trace.txt)
    [ "$port" = virtual ] && args+=(--port virtual)
    (
        cd "$dir" || exit 1
        if [ "$build" = linux ]; then
            [ "$port" = virtual ] || export CANTRA_LPT1=$port
            timeout "$run_limit" "$linux_service" "${args[@]}"
        else
            timeout "$run_limit" wine "$windows_exe" "${args[@]}"
        fi >out.txt 2>err.txt
        echo $? >code.txt
    )
}

# launch CASE PRINTER_OPTIONS -- ARGS...: starts both builds side by side, each against its
# own printer started with PRINTER_OPTIONS ("virtual" for the in-process one). The Windows run
# has LPT1 to itself until its case settles.
declare -A case_pids case_begin
launch() {
    local case=$1
    shift
    local options=()
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    local linux_port=virtual windows_port=virtual pids=""
    mkdir -p "$runs/$case"
    if [ "${options[0]}" != virtual ]; then
        linux_port="$runs/$case/linux-lpt1"
        windows_port="$runs/$case/windows-lpt1"
        start_printer "$linux_port" "${options[@]}"
        pids="$printer"
        start_printer "$windows_port" "${options[@]}"
        pids="$pids $printer"
        ln -sfn "$(readlink -f "$windows_port")" "$WINEPREFIX/dosdevices/lpt1"
    fi
    case_begin[$case]=${EPOCHREALTIME/./}
    run linux "$case" "$linux_port" "$@" &
    pids="$! $pids"
    run windows "$case" "$windows_port" "$@" &
    case_pids[$case]="$! $pids"
}

# settle CASE: waits for both runs of a case, lets its printers go and compares.
settle() {
    local case=$1 runs_and_printers
    read -r -a runs_and_printers <<<"${case_pids[$case]}"
    wait "${runs_and_printers[@]:0:2}"
    local pid
    for pid in "${runs_and_printers[@]:2}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    local tenths=$(((${EPOCHREALTIME/./} - case_begin[$case]) / 100000))
    printf '%-16s exit code %s (Linux) %s (Windows), %d.%d s\n' "$case" \
        "$(cat "$runs/$case/linux/code.txt")" "$(cat "$runs/$case/windows/code.txt")" \
        $((tenths / 10)) $((tenths % 10))
    compare "$case" code.txt
    compare "$case" out.txt no_cr
    compare "$case" err.txt no_cr
    compare "$case" trace.txt exchanges
}

check() {
    launch "$@"
    settle "$1"
}

# The last time in a trace, in ms.
last_ms() {
    tr -d '\r' <"$1" | grep -v '^#' | tail -n 1 | awk '{ print $1 }'
}

# The silent printer only waits out its time-outs: it runs while the in-process cases do.
echo "== a silent printer on LPT1, a pseudo-terminal, meanwhile the in-process virtual printer"
launch pty-silent --silent -- status
check status virtual -- status
check head-id virtual -- head-id
check eeprom-dump virtual -- eeprom dump dump.bin
compare eeprom-dump dump.bin binary
settle pty-silent
grep -qx 1 "$runs/pty-silent/windows/code.txt" \
    || { echo "FAIL pty-silent: the Windows build did not end with exit 1"; failures=$((failures + 1)); }
linux_ms=$(last_ms "$runs/pty-silent/linux/trace.txt")
windows_ms=$(last_ms "$runs/pty-silent/windows/trace.txt")
echo "   the silent printer given up after ${linux_ms:-?} ms (Linux), ${windows_ms:-?} ms (Windows)"
if [ -z "$linux_ms" ] || [ -z "$windows_ms" ] \
    || [ $((linux_ms - windows_ms)) -gt $silent_tolerance_ms ] \
    || [ $((windows_ms - linux_ms)) -gt $silent_tolerance_ms ]; then
    echo "FAIL pty-silent: the time-outs end more than $silent_tolerance_ms ms apart"
    failures=$((failures + 1))
fi

echo "== LPT1 bound to cantra-vprinter on a pseudo-terminal"
check pty-status --warn 2 -- status
# The entry's reply comes 5.5 s late, after the first try has given up and before the second.
check pty-late-reply --late-replies 1 --late-by 5500 -- status
grep -q '| dropped ' "$runs/pty-late-reply/windows/trace.txt" \
    || { echo "FAIL pty-late-reply: the Windows build dropped no late reply"; failures=$((failures + 1)); }

echo "== $failures difference(s); $(($(date +%s) - started)) s in all; the runs are in $runs"
[ "$failures" -eq 0 ]
