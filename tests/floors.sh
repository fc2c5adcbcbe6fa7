#!/bin/sh
# floors.sh SOURCE_DIR
# The rooms of app/ stand in floors: a file may include headers of its own room and of the
# rooms below it, never of a room above. Listed from the ground floor up; a room of app/ that
# is not listed fails the check too, so that a new room is given its floor.
set -eu
app=$1/app
floors="runtime mapdefs files view output driver dialogs layout"

floor_of() {
    n=0
    for room in $floors; do
        [ "$room" = "$1" ] && { echo $n; return; }
        n=$((n + 1))
    done
    echo -1
}

status=0
for dir in "$app"/*/; do
    room=$(basename "$dir")
    [ "$room" = help ] && continue
    own=$(floor_of "$room")
    if [ "$own" -lt 0 ]; then
        echo "app/$room has no floor: add it to the list in tests/floors.sh"
        status=1
        continue
    fi
    for file in $(find "$dir" -name '*.cpp' -o -name '*.h' | sort); do
        for used in $(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"app/\([a-z_]*\)/.*|\1|p' "$file" | sort -u); do
            other=$(floor_of "$used")
            if [ "$other" -gt "$own" ]; then
                echo "${file#"$1"/} includes app/$used, a floor above app/$room:"
                grep -n "include[[:space:]]*\"app/$used/" "$file" | sed 's/^/    /'
                status=1
            fi
        done
    done
done
[ $status -eq 0 ] && echo "the rooms of app/ stand in floors: $floors"
exit $status
