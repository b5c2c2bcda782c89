#!/usr/bin/env bash
# Kills corvane with SIGKILL at random moments of a run over copied pages and checks what is left:
# every page must hold its old or its new content, whole; then a second run must remove every
# leftover temporary and finish the site.
#
#   bench/crash.sh [-n RUNS] [-p PAGES] [-l EVERY] PAGES_FOLDER   (never modified: pages are copied)
#
# Every tenth page (-l EVERY; 0 for none) gets a second name, a hard link, so the in-place path
# behind a recovery copy is hit too; a second name also ends a batch, so -l 0 gives full batches. BUILD_DIR (default build/) holds bin/corvane; SITE_TMP (default /tmp) holds the copies.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
corvane="${BUILD_DIR:-$root/build}/bin/corvane"
runs=20
count=300
every=10
while getopts n:p:l: option; do
    case $option in
    n) runs=$OPTARG ;;
    p) count=$OPTARG ;;
    l) every=$OPTARG ;;
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
cp -a "$work/old" "$work/new"
"$corvane" --quiet "$work/new"
start=$EPOCHREALTIME
cp -a "$work/old" "$work/probe" && "$corvane" --quiet "$work/probe"
duration=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print b - a}')
pages=$(find "$work/old" -type f | wc -l)
echo "pages: $pages; a whole run takes ${duration}s; load: $(cut -d' ' -f1-3 /proc/loadavg)"

bad=0
for ((r = 1; r <= runs; ++r)); do
    rm -rf "$work/run"
    cp -a "$work/old" "$work/run"
    sync -f "$work/run"
    delay=$(awk -v d="$duration" -v s="$RANDOM" 'BEGIN {srand(s); printf "%.3f", rand() * d}')
    "$corvane" --quiet "$work/run" >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    old=0 new=0 torn=0
    while IFS= read -r page; do
        relative=${page#"$work/run/"}
        if cmp -s "$page" "$work/new/$relative"; then
            ((++new))
        elif cmp -s "$page" "$work/old/$relative"; then
            ((++old))
        else
            ((++torn))
            echo "  torn: $relative"
        fi
    done < <(find "$work/run" -type f ! -name '.corvane-*')
    missing=$((pages - old - new - torn))
    left=$(find "$work/run" -name '.corvane-*' | wc -l)
    # The next run cleans up and finishes: afterwards the tree equals a clean run's.
    "$corvane" --quiet "$work/run" >/dev/null 2>&1 || true
    after=$(find "$work/run" -name '.corvane-*' | wc -l)
    same=yes
    diff -r "$work/run" "$work/new" >/dev/null || same=no
    echo "run $r: killed after ${delay}s: $new new, $old old, $torn torn, $missing missing;" \
        "$left temporaries left, $after after the next run; next run finishes the site: $same"
    ((torn + missing + after == 0)) && [[ $same == yes ]] || bad=$((bad + 1))
done
echo "runs with a fault: $bad of $runs"
((bad == 0))
