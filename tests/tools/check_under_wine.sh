#!/usr/bin/env bash
# Runs runexit, resinfo and the sample wizard under Wine and checks what they do.
#
#   check_under_wine.sh <runexit.exe> <resinfo.exe> <resinfo_fixture.exe> <wizard exe>
#
# Runs in a Wine prefix of its own ($KITBAG_CHECK_WINEPREFIX, by default "wineprefix" next to
# runexit.exe) and an Xvfb display of its own: a prefix's desktop belongs to the display of its
# first window, and the window checks must not see other programs' windows. Prints one
# "ok"/"FAIL" line per check; exits 1 when any check failed.
set -uo pipefail

if [ $# -ne 4 ]; then
    echo "usage: $0 <runexit.exe> <resinfo.exe> <resinfo_fixture.exe> <wizard exe>" >&2
    exit 2
fi
if [ -z "${KITBAG_CHECK_OWN_DISPLAY:-}" ]; then
    KITBAG_CHECK_OWN_DISPLAY=1 exec xvfb-run -a bash "$0" "$@"
fi

RUNEXIT=$(realpath "$1")
RESINFO=$(realpath "$2")
FIXTURE=$(realpath "$3")
WIZARD_BUILT=$(realpath "$4")
# Wine as this machine can run it: the project's launcher.
WINE=$(realpath "$(dirname "$0")/../../tools/wine.sh")
export WINEPREFIX=${KITBAG_CHECK_WINEPREFIX:-$(dirname "$RUNEXIT")/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
TITLE='^Kitbag Sample Wizard$'

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
WORK="$SCRATCH/work dir"
mkdir -p "$WORK/A folder"
cp "$WIZARD_BUILT" "$WORK/Brasswick.Hopwell.UI.exe"
printf 'hello' >"$WORK/b data.txt"
printf '' >"$WORK/c.txt"
cd "$WORK" || exit 2

failures=0
pass() { echo "ok   $1"; }
fail() {
    echo "FAIL $1"
    failures=$((failures + 1))
}
expect_eq() { # <name> <expected> <actual>
    if [ "$2" == "$3" ]; then pass "$1"; else fail "$1"$'\n'"--- expected:"$'\n'"$2"$'\n'"--- got:"$'\n'"$3"; fi
}
check() { # <name> <command...>: passes when the command succeeds
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name"; fi
}
# shellcheck disable=SC2053 # the pattern is meant to be a glob
matches() { [[ $1 == $2 ]]; } # <text> <glob pattern>
now_ms() { date +%s%3N; }
took_less_than() { # <start ms> <limit ms>
    local took=$(($(now_ms) - $1))
    [ "$took" -lt "$2" ] || { echo "     took $took ms" && return 1; }
}
took_at_least() { # <start ms> <limit ms>
    local took=$(($(now_ms) - $1))
    [ "$took" -ge "$2" ] || { echo "     took only $took ms" && return 1; }
}

# A Linux path as Wine's Z: drive shows it.
win_path() { printf 'Z:%s' "${1//\//\\}"; }
WIZARD=$(win_path "$WORK/Brasswick.Hopwell.UI.exe")

# wizard <arguments> [NAME=value...]: runs the wizard through runexit with exactly that
# command line; prints runexit's output.
wizard() {
    local arguments=$1
    shift
    env RUNEXIT_TIMEOUT_MS=30000 RUNEXIT_CMDLINE="\"$WIZARD\" $arguments" "$@" timeout 60 "$WINE" "$RUNEXIT" 2>&1
}

visible() { xdotool search --onlyvisible --name "$TITLE" >/dev/null 2>&1; }
exists() { xdotool search --name "$TITLE" >/dev/null 2>&1; }
no_window_exists() { ! exists; }
wait_for() { # <milliseconds> <command...>: whether the command succeeded within the time
    local limit=$(($(now_ms) + $1))
    shift
    until "$@"; do
        [ "$(now_ms)" -ge "$limit" ] && return 1
        sleep 0.05
    done
}
stays_invisible() { # <milliseconds>
    ! wait_for "$1" visible
}
no_window_left() { wait_for 5000 eval '! visible'; }

prepare_prefix() {
    # A server left from an earlier run has its desktop on that run's display; let it end.
    wineserver -w
    # Without a window manager, Wine waits 2 s for every visible window it unmaps unless its
    # windows are unmanaged.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

check_runexit() {
    expect_eq "runexit: small exit code" "exit=0x00000005" \
        "$(wizard "" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_EXIT_CODE=5)"
    expect_eq "runexit: HRESULT exit code" "exit=0x80131700" \
        "$(wizard "" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_EXIT_CODE=0x80131700)"
    expect_eq "runexit: decimal above 2^31" "exit=0xFFFFFFFF" \
        "$(wizard "" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_EXIT_CODE=4294967295)"

    local record="$SCRATCH/own.txt"
    KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_RECORD="$(win_path "$record")" \
        timeout 60 "$WINE" "$RUNEXIT" "$WIZARD" one "two words" >/dev/null 2>&1
    expect_eq "runexit: own command line after its name" \
        $'argc=3\nargv[1]=one\nargv[2]=two words' "$(grep -E '^argc=|^argv\[[12]\]=' "$record" 2>/dev/null)"

    local err rc
    err=$(RUNEXIT_CMDLINE='"C:\no\such\program.exe"' timeout 60 "$WINE" "$RUNEXIT" 2>&1 >/dev/null)
    rc=$?
    expect_eq "runexit: cannot start returns 2" "2" "$rc"
    check "runexit: cannot start says why ($err)" matches "$err" 'runexit: cannot start (error *)'

    local started
    started=$(now_ms)
    err=$(wizard "" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_DELAY_MS=20000 RUNEXIT_TIMEOUT_MS=500)
    rc=$?
    expect_eq "runexit: timeout returns 3" "3" "$rc"
    expect_eq "runexit: timeout message" "runexit: timeout" "$err"
    check "runexit: timeout ends the child" took_less_than "$started" 10000
}

check_record() {
    local record="$SCRATCH/record.txt"
    local log
    log=$(win_path "$SCRATCH/some dir/x.log")
    local arguments="/IAgreeToTheEULA /log \"$log\" /dir \"C:\\\\\" somePlainWord BW_I=\"Program Name\" "
    local size
    size=$(stat -c %s "$WORK/Brasswick.Hopwell.UI.exe")
    wizard "$arguments" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_EXIT_CODE=0x80131700 \
        KITBAG_WIZARD_RECORD="$(win_path "$record")" >/dev/null
    local expected
    expected="cmdline=\"$WIZARD\" $arguments
argc=8
argv[0]=$WIZARD
argv[1]=/IAgreeToTheEULA
argv[2]=/log
argv[3]=$log
argv[4]=/dir
argv[5]=C:\\
argv[6]=somePlainWord
argv[7]=BW_I=Program Name
cwd=$(win_path "$WORK")
exe=$WIZARD
file=A folder	<dir>
file=b data.txt	5
file=Brasswick.Hopwell.UI.exe	$size
file=c.txt	0
exit=0x80131700"
    expect_eq "wizard: record of a bootstrapper-style command line" "$expected" "$(cat "$record" 2>/dev/null)"
}

check_log() {
    mkdir -p "$SCRATCH/log dir"
    local log="$SCRATCH/log dir/boot.log"
    printf 'existing line\r\n' >"$log"
    wizard "/LOG \"$(win_path "$log")\"" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_EXIT_CODE=5 >/dev/null
    expect_eq "wizard: appends to an existing log" \
        "$(printf "existing line\r\nKitbag sample wizard: started in '%s'\r\nKitbag sample wizard: ending with exit code 0x00000005\r\n" \
            "$(win_path "$WORK")" | od -c)" "$(od -c <"$log")"

    printf '' >"$log"
    wizard "/log \"$(win_path "$log")\"" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_DELAY_MS=soon >/dev/null
    check "wizard: logs a setting it ignores" grep -q "ignoring KITBAG_WIZARD_DELAY_MS='soon'" "$log"

    expect_eq "wizard: a log that cannot be opened is no error" "exit=0x00000007" \
        "$(wizard '/log "Z:\no\such\folder\x.log"' KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_EXIT_CODE=7)"
}

# Starts the wizard in the background; sets $wizard_pid, output goes to $SCRATCH/bg.out.
# Returns once the record, written before any window, exists.
start_wizard() { # <arguments> [NAME=value...]
    local record="$SCRATCH/bg-record.txt"
    rm -f "$record"
    local arguments=$1
    shift
    wizard "$arguments" KITBAG_WIZARD_RECORD="$(win_path "$record")" "$@" >"$SCRATCH/bg.out" &
    wizard_pid=$!
    wait_for 20000 test -s "$record"
}
# Waits for the background wizard; sets $wizard_output.
finish_wizard() {
    wait "$wizard_pid"
    wizard_output=$(cat "$SCRATCH/bg.out")
}

check_windows() {
    local started

    no_window_left
    start_wizard "/IAgreeToTheEULA" KITBAG_WIZARD_EXIT_CODE=3
    check "silent: window shows" wait_for 10000 visible
    started=$(now_ms)
    finish_wizard
    expect_eq "silent: ends by itself" "exit=0x00000003" "$wizard_output"
    check "silent: ends soon" took_less_than "$started" 5000

    no_window_left
    start_wizard "/passive" KITBAG_WIZARD_EXIT_CODE=4
    check "interactive: window shows" wait_for 10000 visible
    sleep 1.5
    check "interactive: waits for the user" kill -0 "$wizard_pid"
    xdotool windowfocus "$(xdotool search --onlyvisible --name "$TITLE" | head -1)" key Return 2>/dev/null
    finish_wizard
    expect_eq "interactive: Return presses Finish" "exit=0x00000004" "$wizard_output"

    no_window_left
    start_wizard "/IAgreeToTheEULA" KITBAG_WIZARD_DELAY_MS=2500
    check "delay: no window meanwhile" stays_invisible 1000
    check "delay: not even a hidden window" no_window_exists
    check "delay: window shows afterwards" wait_for 10000 visible
    finish_wizard
    expect_eq "delay: ends" "exit=0x00000000" "$wizard_output"

    no_window_left
    start_wizard "" KITBAG_WIZARD_WINDOW=hidden-first KITBAG_WIZARD_HIDDEN_MS=2500 KITBAG_WIZARD_LINGER_MS=200
    check "hidden-first: window exists" wait_for 2000 exists
    check "hidden-first: stays hidden" stays_invisible 1000
    check "hidden-first: shows afterwards" wait_for 10000 visible
    finish_wizard
    expect_eq "hidden-first: lingers, then ends" "exit=0x00000000" "$wizard_output"

    no_window_left
    started=$(now_ms)
    start_wizard "" KITBAG_WIZARD_WINDOW=none KITBAG_WIZARD_DELAY_MS=1500 KITBAG_WIZARD_EXIT_CODE=9
    check "none: no window" stays_invisible 1000
    finish_wizard
    expect_eq "none: ends after the delay" "exit=0x00000009" "$wizard_output"
    check "none: waited the delay" took_at_least "$started" 1500

    no_window_left
    start_wizard "" KITBAG_WIZARD_LINGER_MS=0
    started=$(now_ms)
    finish_wizard
    expect_eq "linger 0: ends right after showing" "exit=0x00000000" "$wizard_output"
    check "linger 0: soon" took_less_than "$started" 5000
}

check_resinfo() {
    local expected='string[0]=zero
string[1]=Line one\nline two\twith a tab and a back\\slash
string[17]=café
string[300]=last
version=1.2.3.4
versionstring[FileVersion]=1.2.3.4
versionstring[LegalCopyright]=(C) a\tb
manifest=<?xml version="1.0"?><assembly></assembly>
dialog[100]=present
dialog[146]=present
bitmap[130]=164x48x8
bitmap[133]=7x5x24
icongroup[5]=16x16,48x32,256x256
toolkit[101]=3
toolkit[103]=10'
    expect_eq "resinfo: every kind of resource" "$expected" "$(timeout 60 "$WINE" "$RESINFO" "$(win_path "$FIXTURE")")"
    timeout 60 "$WINE" "$RESINFO" 'Z:\no\such\file.exe' >/dev/null 2>&1
    expect_eq "resinfo: missing file returns 2" "2" "$?"
}

prepare_prefix
check_runexit
check_record
check_log
check_resinfo
check_windows

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
