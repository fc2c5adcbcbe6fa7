#!/bin/bash
# leftovers.sh STAMP HOME TEMP: lists what the program wrote into the real home folder or
# the real temporary folder since STAMP (the start of the test suite): its log, settings,
# user folders and working folders. Every test has folders of its own, so there must be none.
set -u
stamp=$1 home=$2 temp=$3
[ -f "$stamp" ] || { echo "no time stamp $stamp: the suite's first test did not run" >&2; exit 1; }
found=$(
    find "$home/.local/state/chorel" "$home/.local/share/chorel" "$home/.config/Chorel" \
         "$home/.config/chorel" "$home/.cache/chorel" "$home/.cache/Chorel" \
         -newer "$stamp" 2>/dev/null
    # A working folder of a program still running (another user's run) is not a leftover.
    find "$temp" -maxdepth 1 -name 'Chorels*' -newer "$stamp" 2>/dev/null | while read -r path; do
        pid=${path##*Chorels}
        pid=${pid%%[!0-9]*}
        [ -n "$pid" ] && [ -d "/proc/$pid" ] || echo "$path"
    done
    find "$home" -maxdepth 1 -newer "$stamp" \( -iname '*chorel*' -o -iname '*.tqo' \) 2>/dev/null
)
if [ -n "$found" ]; then
    echo "The tests wrote outside the build tree:" >&2
    echo "$found" >&2
    exit 1
fi
echo "Nothing of the program's was written into $home or $temp."
