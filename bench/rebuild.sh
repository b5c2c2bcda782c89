#!/usr/bin/env bash
# corvane -o over a generated tree: the first run, reruns over the unchanged tree (which must
# write nothing; their median is shown), and a rerun after one page is edited. Prints the times
# and the rerun's share of the first run.
#
#   bench/rebuild.sh [-j JOBS] [PAGES]   PAGES small pages (default 100000), 1000 to a folder
#
# BUILD_DIR (default build/) holds bin/corvane; SITE_TMP (default /tmp) holds the trees.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
corvane="${BUILD_DIR:-$root/build}/bin/corvane"
pages=100000
jobs=2
while (($#)); do
    case "$1" in
    -j) jobs="$2"; shift 2 ;;
    -h | --help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) pages="$1"; shift ;;
    esac
done
[[ -x $corvane ]] || { echo "rebuild.sh: build corvane first ($corvane)" >&2; exit 2; }

work="$(mktemp -d "${SITE_TMP:-/tmp}/corvane-rebuild.XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
site="$work/site"
out="$work/out"

# Small pages with the spaces, line breaks and quotes the passes take out, 1000 to a folder.
mkdir -p "$site"
awk -v pages="$pages" -v site="$site" 'BEGIN {
    for (i = 0; i < pages; i++) {
        folder = sprintf("%s/part%03d", site, int(i / 1000));
        if (i % 1000 == 0) system("mkdir -p " folder);
        file = sprintf("%s/page%05d.html", folder, i);
        printf "<html>\n  <head>\n    <title>  Page %d  </title>\n  </head>\n  <body>\n", i > file;
        printf "    <p   align=\"center\">  Hello,   page %d  </p>\n\n\n", i > file;
        printf "    <a href=\"page%05d.html\">  next  </a>\n  </body>\n</html>\n", i + 1 > file;
        close(file);
    }
}'
sync

seconds() { # runs corvane quietly and prints the seconds it took
    local start end
    start=$(date +%s.%N)
    "$corvane" -q -j "$jobs" -o "$out" "$site" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
state() { find "$out" -printf '%i %T@ %p\n' | sort | md5sum; }
outputs() { find "$out" -type f ! -name .corvane-manifest -printf '%i %T@ %p\n' | sort; }

first=$(seconds)
before=$(state)
# The median of three unchanged reruns: a rerun is short, and one alone is at the mercy of noise.
rerun=$(for _ in 1 2 3; do seconds; done | sort -n | sed -n 2p)
[[ $(state) == "$before" ]] || { echo "rebuild.sh: an unchanged rerun wrote something" >&2; exit 1; }
listed=$(outputs)
printf '<p>edited</p>\n' >>"$site/part000/page00000.html"
edited=$(seconds)
changed=$(diff <(echo "$listed") <(outputs) | grep -c '^>' || true)
share=$(echo "scale=2; 100 * $rerun / $first" | bc)
printf '%d pages, -j %d\n' "$pages" "$jobs"
printf 'first run          %8.2f s\n' "$first"
printf 'unchanged rerun    %8.2f s  (%s%% of the first)\n' "$rerun" "$share"
printf 'one page edited    %8.2f s  (%d output changed)\n' "$edited" "$changed"
