#!/usr/bin/env bash
# Kills corvane with SIGKILL at random moments of runs over copied pages, edits some pages the way
# a user or a site generator would after the crash, runs corvane again and checks what is left:
# every page the user did not touch holds its compressed content, whole; every page edited after
# the kill keeps the edit (nothing rolled back to the dying run's copy); no page is missing and no
# temporary or recovery copy is left behind.
#
#   bench/crash.sh [-n RUNS] [-p PAGES] [-l EVERY] [-b MB] [-j JOBS] PAGES_FOLDER   (never modified: pages are copied)
#
# Every tenth page (-l EVERY; 0 for none) gets a second name, a hard link, so the in-place path
# behind a recovery copy is hit too; a second name also ends a batch, so -l 0 gives full batches.
# -b MB adds one hard-linked page of about MB megabytes, whose in-place rewrite is long enough to be
# killed in the middle: every other run is killed during it, and every other one of those edits
# the torn page afterwards. After each kill, some pages are regenerated or appended to. -j JOBS
# runs corvane with that many jobs (default: its own). BUILD_DIR (default build/) holds
# bin/corvane; SITE_TMP (default /tmp) holds the copies.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
corvane="${BUILD_DIR:-$root/build}/bin/corvane"
runs=20
count=300
every=10
big=0
jobs=()
while getopts n:p:l:b:j: option; do
    case $option in
    j) jobs=(--jobs "$OPTARG") ;;
    n) runs=$OPTARG ;;
    p) count=$OPTARG ;;
    l) every=$OPTARG ;;
    b) big=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
source_dir="${1:?give a page folder}"
work="$(mktemp -d "${SITE_TMP:-/tmp}/corvane-crash.XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# The pages, spread over folders as found, all writable; every tenth one also gets a hard link.
mkdir "$work/old"
find "$source_dir" -type f \( -iname '*.htm' -o -iname '*.html' \) | sort | sed -n "1,${count}p" | while IFS= read -r page; do
    folder="$work/old/$(basename "$(dirname "$page")")"
    mkdir -p "$folder"
    cp "$page" "$folder/"
done
chmod -R u+w "$work/old"
n=0
while IFS= read -r -d '' page; do
    if ((every > 0 && n++ % every == 0)); then ln "$page" "${page%.*}-also.htm"; fi
done < <(find "$work/old" -type f -print0 | sort -z)
if ((big > 0)); then
    mkdir -p "$work/old/big"
    first=$(find "$work/old" -type f | sort | head -n 1)
    while (($(stat -c %s "$work/old/big/big.html" 2>/dev/null || echo 0) < big * 1048576)); do
        cat "$first" >>"$work/old/big/big.html"
    done
    ln "$work/old/big/big.html" "$work/old/big/big-also.htm"
fi
cp -a "$work/old" "$work/new"
"$corvane" --quiet "$work/new"
start=$EPOCHREALTIME
cp -a "$work/old" "$work/probe" && "$corvane" --quiet "$work/probe"
duration=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print b - a}')
rm -rf "$work/probe"
pages=$(find "$work/old" -type f | wc -l)
echo "pages: $pages; a whole run takes ${duration}s; load: $(cut -d' ' -f1-3 /proc/loadavg)"

# What a page edited after the kill must keep: a generator's new page, or a line added at the end.
edit() {
    local page=$1 how=$2
    if [[ $how == regenerate ]]; then
        printf '<p>REGENERATED %s</p>\n' "$RANDOM" >"$page"
    else
        printf '<p>APPENDED %s</p>\n' "$RANDOM" >>"$page"
    fi
    tail -c 40 "$page" | grep -o '[A-Z]* [0-9]*'
}

bad=0
for ((r = 1; r <= runs; ++r)); do
    rm -rf "$work/run"
    cp -a "$work/old" "$work/run"
    sync -f "$work/run"
    delay=$(awk -v d="$duration" -v s="$RANDOM" 'BEGIN {srand(s); printf "%.3f", rand() * d}')
    "$corvane" --quiet "${jobs[@]}" "$work/run" >/dev/null 2>&1 &
    pid=$!
    if ((big > 0 && r % 2 == 0)); then
        # Every other run dies while the big page is being rewritten in place, behind its copy.
        delay="the big page's rewrite"
        until compgen -G "$work/run/big/.corvane-*.rec" >/dev/null || ! kill -0 "$pid" 2>/dev/null; do sleep 0.005; done
        sleep "0.0$((RANDOM % 10))"
    else
        sleep "$delay"
        delay="${delay}s"
    fi
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    left=$(find "$work/run" -name '.corvane-*' | wc -l)

    # Edits after the crash: a few pages, and the big one every fourth run.
    declare -A marks=()
    mapfile -t victims < <(find "$work/run" -type f ! -name '.corvane-*' | shuf -n 3 --random-source=<(yes "$r"))
    if ((big > 0 && r % 4 == 0)); then victims+=("$work/run/big/big.html"); fi
    for page in "${victims[@]}"; do
        how=regenerate
        ((RANDOM % 2)) && how=append
        marks[$page]=$(edit "$page" "$how")
    done

    # The next run clears up and finishes.
    "$corvane" --quiet "${jobs[@]}" "$work/run" >/dev/null 2>&1 || true
    new=0 torn=0 rolled=0
    while IFS= read -r page; do
        relative=${page#"$work/run/"}
        mark=""
        for victim in "${!marks[@]}"; do
            if [[ $victim -ef $page ]]; then mark=${marks[$victim]}; fi
        done
        if [[ -n $mark ]]; then
            if grep -q "$mark" "$page"; then ((++new)); else ((++rolled)); echo "  rolled back: $relative"; fi
        elif cmp -s "$page" "$work/new/$relative"; then
            ((++new))
        else
            ((++torn))
            echo "  torn: $relative"
        fi
    done < <(find "$work/run" -type f ! -name '.corvane-*')
    missing=$((pages - new - torn - rolled))
    after=$(find "$work/run" -name '.corvane-*' ! -name '*.kept' | wc -l)
    kept=$(find "$work/run" -name '.corvane-*.kept' | wc -l)
    echo "run $r: killed after ${delay}, ${#victims[@]} pages edited; next run: $new whole, $torn torn," \
        "$missing missing, $rolled rolled back; $left leftovers before, $after after, $kept kept aside"
    ((torn + missing + rolled + after == 0)) || bad=$((bad + 1))
    unset marks
done
echo "runs with a fault: $bad of $runs"
((bad == 0))
