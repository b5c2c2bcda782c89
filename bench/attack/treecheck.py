#!/usr/bin/python3
"""Attacks the rewrite with small random documents full of the constructs where a minifier slips,
and checks each result with a parser that builds the tree a browser builds (html5lib):

  - the elements, in document order with their depth, names and attributes (the documented
    renames, centred paragraphs, dropped script and style sheet types and, under --best, omitted
    optional tags aside) stay the same;
  - the words a reader sees stay the same: text outside script, style, head and comments, split at
    white space and at the edges of block elements; the text of pre, textarea and script stays
    byte for byte.

Usage: bench/attack/run [--count N] [--seed S] [--best] [--keep DIR]
Prints each document whose tree or words changed (at most --show, cut to the fewest pieces that
still show it) and a count; exit 1 when any did.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

import html5lib

HERE = os.path.dirname(os.path.abspath(__file__))
CORVANE = os.environ.get("CORVANE", os.path.join(HERE, "..", "..", "build", "bin", "corvane"))
RENAMED = {"strong": "b", "em": "i", "strike": "s"}
BLOCKS = {"html", "body", "div", "p", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "dt", "dd", "li",
          "table", "tbody", "thead", "tfoot", "tr", "td", "th", "caption", "form", "fieldset", "legend",
          "blockquote", "center", "pre", "hr", "br", "address", "section", "article", "nav", "header",
          "footer", "aside", "main", "figure", "figcaption", "menu", "dir", "listing", "xmp", "details",
          "summary", "hgroup", "dialog", "option", "optgroup"}
HIDDEN = {"head", "script", "style", "template", "noscript", "title", "iframe", "noembed", "noframes"}
VERBATIM = {"pre", "textarea", "script", "listing", "xmp", "plaintext"}
OPTIONAL_START = {"html", "head", "body", "tbody", "colgroup"}

# Pieces a document is made of: markup a minifier reads, and text around it.
TAGS = ["p", "div", "span", "b", "strong", "em", "i", "a", "center", "font", "strike", "s", "u", "tt", "code",
        "h1", "blockquote", "ul", "li", "ol", "dl", "dt", "dd", "table", "tr", "td", "th", "tbody", "caption",
        "select", "option", "br", "img", "input", "button", "label", "small", "sup", "pre", "textarea",
        "title", "style", "script", "xmp", "noscript", "svg", "path", "math", "form", "hr", "nobr", "scripti",
        "colgroup", "col", "thead",
        "stronger", "p2", "h7", "iframe", "template", "head", "body", "html"]
VALUES = ['"center"', "center", "CENTER", "'left'", '"a<b"', '"<p"', "'x>y'", '"a > b"', '"x\'y"', "'a\"b'",
          '""', "a/b", "x=y", '"  two  spaces "', '"text/javascript"', "text/css", '"white-space: pre"']
NAMES = ["align", "title", "class", "id", "style", "type", "href", "value", "x", "data-a", "checked"]
TEXT = ["word", "two words", " ", "  ", "\n", "\r\n", "\t", " \n ", ">", " > ", "<", "a<b", "a < b", "&amp;",
        "&nbsp;", "&lt;p&gt;", "x", "=", "\"", "'", "/", "1 > 0", "<!-- c -->", "<!--webbot bot=x -->",
        "<!---->", "<!-- <p> -->", "<!--[if IE]>x<![endif]-->", "<?php ?>", "<!doctype html>", "</", "<>",
        "</ p>", "<p/>", "<br/>", "<!", "]]>", "<![CDATA[x]]>", "<!--", "-->", "\u00a0".encode().decode()]


def attribute(rng):
    name = rng.choice(NAMES)
    form = rng.random()
    if form < 0.15:
        return " " + name
    space = rng.choice(["", "", " ", "\n"])
    return rng.choice([" ", "  ", "\n", "\t"]) + name + space + "=" + space + rng.choice(VALUES)


def tag(rng):
    name = rng.choice(TAGS)
    if rng.random() < 0.3:
        name = name.upper() if rng.random() < 0.5 else name.capitalize()
    if rng.random() < 0.4:
        return "</" + name + rng.choice(["", " ", "\n"]) + ">"
    attrs = "".join(attribute(rng) for _ in range(rng.choice([0, 0, 1, 1, 2, 3])))
    return "<" + name + attrs + rng.choice(["", "", " ", "\n", "/", " /"]) + ">"


def document(rng):
    return [tag(rng) if rng.random() < 0.5 else rng.choice(TEXT) for _ in range(rng.randint(3, 40))]


def compress(text, best):
    command = [CORVANE, "-q"] + (["--best"] if best else []) + ["-"]
    return subprocess.run(command, input=text.encode(), stdout=subprocess.PIPE, check=True).stdout.decode()


def changes(text, best):
    return reading(text, best) != reading(compress(text, best), best)


def smallest(parts, best):
    """The fewest pieces, and the shortest of them, that still show the change."""
    k = 0
    while k < len(parts):
        fewer = parts[:k] + parts[k + 1:]
        if fewer and changes("".join(fewer), best):
            parts = fewer
        else:
            k += 1
    return "".join(parts)


# ---- What a browser builds, and what of it a reader sees ----

def local(name):
    return name.split("}", 1)[1] if "}" in name else name


def walk(element, depth, out, words, hidden, verbatim, best):
    name = local(element.tag) if isinstance(element.tag, str) else None
    if name is None:  # a comment
        if element.tail:
            words.append(element.tail) if not hidden else None
        return
    attrs = sorted((local(k), v) for k, v in element.attrib.items())
    shown = RENAMED.get(name, name)
    if name == "p" and len(attrs) == 1 and attrs[0][0] == "align" and attrs[0][1].strip().lower() == "center":
        shown, attrs = "center", []
    if name in ("script", "style", "link"):
        attrs = [(k, v) for k, v in attrs if k != "type"]  # the default types --best may drop
    if name == "center" and attrs == [("align", "center")]:
        attrs = []
    out.append((depth, shown, tuple(attrs)))
    inside_hidden = hidden or name in HIDDEN
    inside_verbatim = verbatim or name in VERBATIM
    if name in BLOCKS:
        words.append("\x00")
    if element.text:
        if name in VERBATIM:
            out.append((depth + 1, "#verbatim", element.text.lstrip("\n") if name in ("pre", "textarea", "listing") else element.text))
        elif not inside_hidden:
            words.append(element.text)
    for child in element:
        walk(child, depth + 1, out, words, inside_hidden, inside_verbatim, best)
    if name in BLOCKS:
        words.append("\x00")
    if element.tail and not hidden:
        words.append(element.tail)


def reading(text, best):
    tree = html5lib.parse(text, treebuilder="etree", namespaceHTMLElements=False)
    elements, words = [], []
    walk(tree, 0, elements, words, False, False, best)
    if best:  # optional start tags without attributes may go: the parser makes them again
        elements = [e for e in elements if not (e[1] in OPTIONAL_START and not e[2])]
    flat = re.sub(r"[ \t\n\f\r]+", " ", "".join(words))
    seen = [w for part in flat.split("\x00") for w in part.split(" ") if w]
    return elements, seen


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--best", action="store_true", help="check corvane --best instead of the default")
    parser.add_argument("--keep", help="copy the documents that changed here")
    parser.add_argument("--show", type=int, default=20, help="documents shown, each cut to the fewest pieces")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    work = tempfile.mkdtemp(prefix="treecheck-")
    try:
        originals = {}
        pieces = {}
        for k in range(args.count):
            pieces[k] = document(rng)
            text = "".join(pieces[k])
            originals[k] = text
            with open(os.path.join(work, "d%05d.html" % k), "w", encoding="utf-8", newline="") as f:
                f.write(text)
        command = [CORVANE, "-q"] + (["--best"] if args.best else []) + [work]
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        changed = 0
        for k, before in originals.items():
            with open(os.path.join(work, "d%05d.html" % k), encoding="utf-8", newline="") as f:
                after = f.read()
            a, b = reading(before, args.best), reading(after, args.best)
            if a == b:
                continue
            changed += 1
            if changed <= args.show:
                what = "tree" if a[0] != b[0] else "words"
                small = smallest(pieces[k], args.best)
                print("%s changed (document %d): %r -> %r" % (what, k, small, compress(small, args.best)))
            if args.keep:
                os.makedirs(args.keep, exist_ok=True)
                with open(os.path.join(args.keep, "d%05d.html" % k), "w", encoding="utf-8", newline="") as f:
                    f.write(before)
        print("%d of %d documents changed%s" % (changed, args.count, " under --best" if args.best else ""))
        return 1 if changed else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
