#!/usr/bin/python3
"""Compares a page set with its compressed copy the way treecheck.py compares random documents:
the tree a browser's tree builder (html5lib) makes of each page, element by element with its
attributes, the text of pre, textarea and script byte for byte, and the words a reader sees.

Usage: bench/attack/pagetrees.py ORIGINALS COMPRESSED [--best] [--jobs N]
Prints each page that changed with its first difference, then a count; exit 1 when any did.
"""

import argparse
import multiprocessing
import os
import sys

import treecheck


def pages(root):
    found = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        for name in sorted(files):
            if name.lower().endswith((".htm", ".html")):
                found.append(os.path.relpath(os.path.join(folder, name), root))
    return found


def compare(job):
    original, compressed, relative, best = job
    read = lambda root: open(os.path.join(root, relative), encoding="utf-8", errors="surrogateescape").read()
    before, after = treecheck.reading(read(original), best), treecheck.reading(read(compressed), best)
    if before == after:
        return None
    kind = 0 if before[0] != after[0] else 1
    for k, (x, y) in enumerate(zip(before[kind], after[kind])):
        if x != y:
            return relative, ("tree", "words")[kind], before[kind][max(0, k - 2):k + 3], after[kind][max(0, k - 2):k + 3]
    return relative, ("tree", "words")[kind], len(before[kind]), len(after[kind])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("originals")
    parser.add_argument("compressed")
    parser.add_argument("--best", action="store_true", help="the copy was made with --best")
    parser.add_argument("--jobs", type=int, default=os.cpu_count())
    args = parser.parse_args()
    found = pages(args.originals)
    jobs = [(args.originals, args.compressed, p, args.best) for p in found]
    changed = 0
    with multiprocessing.Pool(args.jobs) as pool:
        for result in pool.imap(compare, jobs, chunksize=8):
            if result:
                changed += 1
                print(*result, sep="\n  ")
    print("%d of %d pages changed" % (changed, len(found)))
    return 1 if changed else 0


if __name__ == "__main__":
    sys.exit(main())
