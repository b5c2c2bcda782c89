#!/usr/bin/env bash
# Whole-site run against its yardsticks, in one run: corvane over a copied page set, the C loop that
# flushes every page, the same loop without any flush, the loop that flushes once per 256 pages,
# and cp -r. Every contender gets a fresh copy of the set (made and flushed outside the timing);
# the rounds go round-robin so that a change of load hits all of them. Prints medians and ratios.
#
#   bench/site.sh [-r ROUNDS] [-j "1 2 4"] PAGES_FOLDER   a real page set (never modified: it is copied)
#   bench/site.sh [-r ROUNDS] [-j "1 2 4"] --small COUNT  COUNT small generated pages in one folder
#
# -j lists the numbers of jobs corvane runs with (default "1 2").
#
# BUILD_DIR (default build/) holds bin/corvane; SITE_TMP (default /tmp) holds the copies.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
corvane="$build/bin/corvane"
rounds=5
small=0
jobs="1 2"
source_dir=""
while (($#)); do
    case "$1" in
    -r) rounds="$2"; shift 2 ;;
    -j) jobs="$2"; shift 2 ;;
    --small) small="$2"; shift 2 ;;
    -h | --help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) source_dir="$1"; shift ;;
    esac
done
if [[ $small -eq 0 && ! -d $source_dir ]]; then
    echo "site.sh: give a page folder or --small COUNT (see --help)" >&2
    exit 2
fi
[[ -x $corvane ]] || { echo "site.sh: build corvane first ($corvane)" >&2; exit 2; }

work="$(mktemp -d "${SITE_TMP:-/tmp}/corvane-site.XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
loop="$work/site_loop"
cc -O2 -o "$loop" "$root/bench/SiteLoop.c"

# First copy: the master every round starts from, on the same disk as the runs.
master="$work/master"
if ((small > 0)); then
    "$loop" make "$master" "$small"
else
    cp -r "$source_dir" "$master"
    chmod -R u+w "$master" # packaged pages are read-only, and corvane leaves those alone
fi
pages=$(find "$master" -type f \( -iname '*.htm' -o -iname '*.html' \) | wc -l)
bytes=$(du -sb "$master" | cut -f1)
echo "pages: $pages in $((bytes / 1000000)) MB; rounds: $rounds; load: $(cut -d' ' -f1-3 /proc/loadavg)"

contenders=()
for j in $jobs; do contenders+=("corvane-j$j"); done
contenders+=(flush nosync group cp)
declare -A times
for ((r = 0; r < rounds; ++r)); do
    for c in "${contenders[@]}"; do
        rm -rf "$work/run" "$work/out"
        # Second copy: the one this contender rewrites, flushed so that none pays for another's writes.
        cp -r "$master" "$work/run"
        sync -f "$work/run"
        start=$EPOCHREALTIME
        case $c in
        corvane-j*) "$corvane" --quiet --jobs "${c#corvane-j}" "$work/run" ;;
        cp) cp -r "$work/run" "$work/out" ;;
        *) "$loop" "$c" "$work/run" ;;
        esac
        end=$EPOCHREALTIME
        times[$c]+="$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}') "
    done
done

div() { awk -v a="$1" -v b="$2" 'BEGIN {print a / b}'; }
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
declare -A med
for c in "${contenders[@]}"; do
    med[$c]=$(median "${times[$c]}")
done
base=${med[nosync]}
printf '%-8s %9s %9s   %s\n' what median "/nosync" "all (s)"
for c in "${contenders[@]}"; do
    printf '%-8s %8.3fs %8.2fx   %s\n' "$c" "${med[$c]}" "$(div "${med[$c]}" "$base")" "${times[$c]}"
done
for j in $jobs; do
    printf 'corvane --jobs %s / nosync: %.2f; / flush: %.2f\n' "$j" "$(div "${med[corvane-j$j]}" "$base")" \
        "$(div "${med[corvane-j$j]}" "${med[flush]}")"
done
echo "load now: $(cut -d' ' -f1-3 /proc/loadavg)"
