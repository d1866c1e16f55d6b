#!/bin/bash
# Install test: the program installed into a read-only prefix runs, keeps its setup in the user's
# configuration folder and lists the language files of the installed data folder.
#
#   install_test.sh BUILD_DIR SOURCE_DIR X11_KEYS_HELPER
#
# 1. `cmake --install BUILD_DIR` into a temporary prefix; check the installed files, the desktop entry,
#    a help file per shipped language and that each language file is complete; `chmod -R a-w` the prefix.
# 2. Run the installed program under Xvfb with a temporary HOME and XDG folders and the installed
#    simulated instrument, driving it from the keyboard: Utility > Language > the last language item,
#    then Exit (Ctrl+X).
# 3. Check: Default.set exists below XDG_CONFIG_HOME and stores the index of that language (so the
#    installed .lug file was listed in the Language menu and chosen), default.lug was written to the
#    per-user temporary folder.
# 4. Start again, press F1 and Exit: the stored language survives a load and save, and Help Contents
#    asked the desktop to open that language's HTML guide in the installed language folder.
# 5. Nothing in the prefix changed.
# As root, the program runs as "nobody": root ignores the read-only bits, so only an unprivileged user
# sees the prefix the way an ordinary user sees /usr.
# Exit status 77 (skipped) when xvfb-run, xauth or the helper is missing (or, as root, setpriv).
set -u

build_dir=${1:?build folder}
source_dir=${2:?source folder}
keys=${3:-}
title="MV-A2 USB(7.0.0.2)"

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

command -v xvfb-run >/dev/null || skip "xvfb-run is not installed (Debian package xvfb)"
command -v xauth >/dev/null || skip "xauth is not installed (Debian package xauth)"
[ -n "$keys" ] && [ -x "$keys" ] || skip "the X11 key helper was not built (libx11-dev missing)"
[ -x "$build_dir/src/app/tarnix" ] || fail "$build_dir/src/app/tarnix is not built"

work=$(mktemp -d /tmp/tarnix-install-test.XXXXXX)
cleanup() { chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"
prefix=$work/prefix

cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install"; }

# What the install must hold.
for f in bin/tarnix share/applications/tarnix.desktop share/icons/hicolor/scalable/apps/tarnix.svg \
    share/tarnix/language/MorvlinkHelp-English.html; do
    [ -f "$prefix/$f" ] || fail "$f is not installed"
done
# The menu entry starts the installed program by name and names the installed icon.
desktop=$prefix/share/applications/tarnix.desktop
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "the desktop entry runs \"$exec_name\", which is not in bin/"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "the desktop entry's icon \"$icon_name\" is not installed"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "tarnix.desktop does not validate"
fi
sim=$(find "$prefix" -name libmorvlink-sim.so -path '*/tarnix/*' | head -n 1)
[ -n "$sim" ] || fail "libmorvlink-sim.so is not installed under lib*/tarnix/"
language_dir=$prefix/share/tarnix/language
# The Language menu lists the files sorted without regard to case; the test picks the last one.
mapfile -t lug_files < <(cd "$language_dir" && find . -type f -iname '*.lug' | sed 's|^\./||' | LC_ALL=C sort -f)
[ ${#lug_files[@]} -gt 0 ] || fail "no language file is installed in share/tarnix/language"
expected_index=$((${#lug_files[@]} - 1))
for lug in "${lug_files[@]}"; do
    stem=${lug##*/}
    stem=${stem%.*}
    case ${stem,,} in
    english | french | german) [ -f "$language_dir/MorvlinkHelp-$stem.html" ] ||
        fail "no help file MorvlinkHelp-$stem.html for $lug" ;;
    esac
done

# Each shipped language file carries every key of the built-in language and fits the 9000 characters
# the program reads of a section (entries beyond that would be dropped, the messages at the end first).
mapfile -t default_keys < <(grep -a '^[0-9]' "$source_dir/resources/language/default_language.ini" | cut -d= -f1 | sort -u)
for lug in "${lug_files[@]}"; do
    text=$(sed '1s/^\xEF\xBB\xBF//' "$language_dir/$lug" | tr -d '\r' | grep -v '^;' | grep -v '^\[' | grep -v '^$')
    chars=$(printf '%s\n' "$text" | LC_ALL=C.UTF-8 wc -m)
    [ "$chars" -lt 9000 ] || fail "$lug: its entries take $chars characters, more than the 9000 read"
    missing=$(comm -23 <(printf '%s\n' "${default_keys[@]}") <(printf '%s\n' "$text" | cut -d= -f1 | sort -u))
    [ -z "$missing" ] || fail "$lug lacks keys: $(echo $missing | head -c 200)"
done

cp "$keys" "$work/x11_keys"
chmod -R a-w "$prefix"
(cd "$prefix" && find . -printf '%p %s %T@\n' | sort) >"$work/prefix.before"

# Stand-ins for the desktop's opener: xdg-open records what Help Contents asks to open, and xdg-mime
# knows no viewer for .chm files, as on most Linux desktops.
mkdir -p "$work/fakebin"
printf '#!/bin/sh\necho "$1" >>"$HOME/opened.log"\n' >"$work/fakebin/xdg-open"
printf '#!/bin/sh\nexit 1\n' >"$work/fakebin/xdg-mime"
chmod 755 "$work/fakebin" "$work/fakebin/xdg-open" "$work/fakebin/xdg-mime"

home=$work/home
mkdir -p "$home/config" "$home/data" "$home/cache" "$home/runtime"
chmod 700 "$home/runtime"
as_user=()
if [ "$(id -u)" = 0 ]; then
    command -v setpriv >/dev/null && id nobody >/dev/null 2>&1 ||
        skip "running as root needs setpriv and the user nobody to run the program unprivileged"
    chown -R nobody:nogroup "$home"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env)
fi

# One run of the program: start it, type the keys, wait until its window has gone and it has ended.
# XDG_DATA_DIRS names the prefix's share/ first, as the default list names /usr/local/share for an
# install there; the program may find its data folder that way or beside bin/.
run_program() {
    local log=$1
    shift
    "${as_user[@]}" env -i PATH="$work/fakebin:/usr/bin:/bin" HOME="$home" XDG_CONFIG_HOME="$home/config" \
        XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
        XDG_DATA_DIRS="$prefix/share:/usr/share" MORVLINK_LIBRARY="$sim" LANG=C.UTF-8 \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
            "$1" & pid=$!
            shift
            "$@"; keys_status=$?
            for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
            if kill -0 $pid 2>/dev/null; then echo "program still running after Exit"; kill -9 $pid; exit 90; fi
            wait $pid; program_status=$?
            echo "keys=$keys_status program=$program_status"
            [ $keys_status = 0 ] && [ $program_status = 0 ]' \
        run "$prefix/bin/tarnix" "$work/x11_keys" --timeout 30 --gone "$title" "$@" >"$log" 2>&1
}

# First run: the settle pauses let a few acquisition ticks pass before and after the choice. Utility
# and Trigger share the mnemonic T, so the keys open Acquire (Alt+A) and step right to Utility; Up
# wraps to its last item, Language, whose last item is the last language file.
run_program "$work/run1.log" pause:2000 alt+a Right Up Right Up Return pause:1500 ctrl+x ||
    { cat "$work/run1.log"; fail "first run (choose the last language, then Exit)"; }

mapfile -t setups < <(find "$home/config" -name Default.set)
[ ${#setups[@]} = 1 ] || { cat "$work/run1.log"; fail "expected one Default.set below XDG_CONFIG_HOME, found ${#setups[@]}"; }
setup=${setups[0]}
echo "Default.set written to ${setup#"$home/"}"

# The setup header: "MRV-OSC" in UTF-16LE (14 bytes), the model (2 bytes), the language index (int32 LE).
language_index() {
    local magic
    magic=$(head -c 14 "$1" | od -An -tx1 | tr -d ' \n')
    [ "$magic" = "4d00520056002d004f0053004300" ] || { echo "bad magic $magic"; return 1; }
    od -An -t d4 -j 16 -N 4 "$1" | tr -d ' '
}
index=$(language_index "$setup") || fail "Default.set: $index"
[ "$index" = "$expected_index" ] ||
    fail "Default.set stores language index $index, expected $expected_index: the Language menu did not offer ${lug_files[$expected_index]} from share/tarnix/language (or it could not be chosen)"
echo "the Language menu listed ${lug_files[$expected_index]} (index $index) and it was chosen"

[ -f "$home/runtime/tarnix/default.lug" ] || fail "default.lug was not written to \$XDG_RUNTIME_DIR/tarnix"

# Second run: the stored language is loaded at start and saved again at Exit; on the way Help Contents
# (F1) opens the help file of that language.
run_program "$work/run2.log" pause:2000 F1 pause:1500 ctrl+x || { cat "$work/run2.log"; fail "second run (F1, Exit)"; }
index=$(language_index "$setup") || fail "Default.set after the second run: $index"
[ "$index" = "$expected_index" ] || fail "after a restart Default.set stores language index $index, expected $expected_index"

chosen_stem=${lug_files[$expected_index]##*/}
chosen_stem=${chosen_stem%.*}
case ${chosen_stem,,} in english | french | german) help_stem=$chosen_stem ;; *) help_stem=English ;; esac
opened=$(cat "$home/opened.log" 2>/dev/null)
[ -n "$opened" ] || fail "Help Contents opened nothing"
opened_path=$(realpath -m "${opened#file://}")
[ "$opened_path" = "$language_dir/MorvlinkHelp-$help_stem.html" ] ||
    fail "Help Contents opened \"$opened\", expected $language_dir/MorvlinkHelp-$help_stem.html"
echo "Help Contents opened ${opened_path#"$prefix/"}"

(cd "$prefix" && find . -printf '%p %s %T@\n' | sort) >"$work/prefix.after"
diff "$work/prefix.before" "$work/prefix.after" || fail "the program changed files in the installed prefix"

echo "install test passed: ${#lug_files[@]} language file(s), setup in ${setup#"$home/"}"
