#!/usr/bin/python3
"""Does a compressed page still show and mean what the original did?

Copies a page set, compresses one copy with `corvane`, one with `corvane --literal` and one with
`corvane --best` (and, with --peers, one with each peer minifier named), then:
  - parses every page before and after with Python's html.parser and counts the start tags whose
    attributes changed (a <p align=center> that became <center>, a renamed b/i/s element,
    `a=""` written `a`, the default script and style sheet types that --best drops and the start
    tags without attributes the parser implies (html, head, body, tbody, colgroup) are not changes; a value whose white space changed is, and is also counted on its own), and the pages whose visible words changed
    (text outside script, style, head and comments, split at white space and at block tags);
  - loads a sample of pages before and after in headless Chromium and compares the words a reader
    sees, the italic / bold / decoration of every visible character and the box (position and
    size, to 1 px) of every element laid out as a block.
The page set itself is only read. Usage: bench/pagecheck/run PAGES [options]; --help lists them.
"""

import argparse
import collections
import difflib
import html.parser
import json
import multiprocessing
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SETTINGS = {"default": [], "literal": ["--literal"], "best": ["--best"]}
PEERS = ["minify-html", "tdewolff", "swc", "html-minifier-terser", "html-crush"]
RENAMED = {"strong": "b", "em": "i", "strike": "s"}
WHITESPACE = re.compile(r"[ \t\n\f\r]+")
# Bytes from 128 on are read as private-use characters: one character per byte, as in latin-1,
# but never taken for whitespace (html.parser would end an unquoted value at a UTF-8 no-break
# space's second byte, where a browser reads on).
HIGH_BYTES = {b: 0xE000 + b for b in range(0x80, 0x100)}
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--window-size=1280,1024"]


def find_pages(root):
    """Relative paths of the .htm/.html regular files below root, as corvane walks them."""
    pages = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        for name in sorted(files):
            path = os.path.join(folder, name)
            if name.lower().endswith((".htm", ".html")) and os.path.isfile(path) and not os.path.islink(path):
                pages.append(os.path.relpath(path, root))
    return pages


def make_writable(root):
    """The copies are ours to rewrite, whatever modes the packages gave their files and folders."""
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                os.chmod(path, os.stat(path).st_mode | 0o200)
    os.chmod(root, os.stat(root).st_mode | 0o200)


def total_size(root, pages):
    return sum(os.path.getsize(os.path.join(root, p)) for p in pages)


# ---- Attributes, with an HTML parser ----

class StartTags(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = []

    def handle_starttag(self, tag, attrs):
        self.tags.append((tag, tuple(attrs)))


def start_tags(path):
    with open(path, "rb") as f:
        parser = StartTags()
        parser.feed(f.read().decode("latin-1").translate(HIGH_BYTES))
        parser.close()
        return parser.tags


JAVASCRIPT_TYPES = {"application/ecmascript", "application/javascript", "application/x-ecmascript",
                    "application/x-javascript", "text/ecmascript", "text/javascript", "text/jscript",
                    "text/livescript", "text/x-ecmascript", "text/x-javascript"} | {
                    "text/javascript1.%d" % k for k in range(6)}


def default_type(name, attrs):
    """The index of a type attribute that --best drops (a browser assumes it), or None."""
    types = [i for i, (k, _) in enumerate(attrs) if k == "type"]
    if len(types) != 1:
        return None
    value = attrs[types[0]][1] or ""
    if name == "script" and not any(k == "language" for k, _ in attrs):
        return types[0] if value.strip(" \t\n\f\r").lower() in JAVASCRIPT_TYPES else None
    if name == "style" or (name == "link" and "stylesheet" in
                           next((v or "" for k, v in attrs if k == "rel"), "").lower().split()):
        return types[0] if value.lower() == "text/css" else None
    return None


def implied(tag):
    """A start tag without attributes whose element the parser makes just the same where it is left
    out (pagetrees.py checks that it does)."""
    name, attrs = tag
    return not attrs and name in ("html", "head", "body", "tbody", "colgroup")


def normal(tag, collapse):
    name, attrs = tag
    name = RENAMED.get(name, name)
    # An attribute without a value has the empty one.
    attrs = tuple((k, "" if v is None else v) for k, v in attrs)
    dropped = default_type(name, attrs)
    if dropped is not None:
        attrs = attrs[:dropped] + attrs[dropped + 1:]
    if name == "p" and len(attrs) == 1 and attrs[0][0] == "align" and (attrs[0][1] or "").lower() == "center":
        return ("center", ())
    if collapse:
        attrs = tuple((k, WHITESPACE.sub(" ", v) if v is not None else None) for k, v in attrs)
    return (name, attrs)


class VisibleWords(html.parser.HTMLParser):
    """The words a reader sees, as a parser finds them: text outside script, style, the head's
    elements and comments, split at white space and at the tags a browser lays out as blocks."""

    HIDDEN = {"script", "style", "title", "template", "noscript", "head"}
    BLOCKS = {"html", "head", "body", "div", "p", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "dt",
              "dd", "table", "caption", "thead", "tbody", "tfoot", "tr", "td", "th", "col", "colgroup", "form",
              "fieldset", "legend", "blockquote", "center", "pre", "hr", "br", "address", "section", "article",
              "aside", "nav", "header", "footer", "main", "figure", "figcaption", "details", "summary", "dialog",
              "menu", "option", "optgroup", "select", "frameset", "frame", "dir", "li", "textarea"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.hidden = [], 0

    def handle_starttag(self, tag, attrs):
        if tag in self.HIDDEN and tag != "head":
            self.hidden += 1
        if tag in self.BLOCKS:
            self.parts.append(" ")

    def handle_endtag(self, tag):
        if tag in self.HIDDEN and tag != "head" and self.hidden:
            self.hidden -= 1
        if tag in self.BLOCKS:
            self.parts.append(" ")

    def handle_data(self, data):
        if not self.hidden:
            self.parts.append(data)


def visible_words(path):
    with open(path, "rb") as f:
        parser = VisibleWords()
        parser.feed(f.read().decode("utf-8", "surrogateescape"))
        parser.close()
        return [w for w in WHITESPACE.split("".join(parser.parts)) if w]


def compare_words(job):
    """One page: whether its visible words changed, and whether only at a literal ">"."""
    before, after = visible_words(job[0]), visible_words(job[1])
    if before == after:
        return None
    joined, joined_gt, other, example = word_changes(before, after)
    return {"joined": joined, "joined_gt": joined_gt, "other": other, "example": example}


def changed_attributes(a, b):
    """Names of the attributes that differ between two start tags (or the tag names)."""
    if a[0] != b[0]:
        return ["<" + a[0] + "> became <" + b[0] + ">"]
    da, db = dict(a[1]), dict(b[1])
    return sorted(k for k in set(da) | set(db) if da.get(k, "\0") != db.get(k, "\0"))


def Matcher(a, b):
    """Exact matching, except on long lists, where it would take minutes a page (a peer that drops
    optional tags changes their number on every page): there the commonest entries are left out
    of the matching, which may count a change twice but never hides one."""
    return difflib.SequenceMatcher(None, a, b, autojunk=max(len(a), len(b)) > 4000)


def compare_tags(job):
    """One page: changed start tags, and how many of them differ only in a value's white space."""
    before_path, after_path = job
    before, after = [t for t in start_tags(before_path) if not implied(t)], \
                    [t for t in start_tags(after_path) if not implied(t)]
    a = [normal(t, False) for t in before]
    b = [normal(t, False) for t in after]
    result = {"tags": len(a), "changed": 0, "attributes": collections.Counter(), "whitespace": 0, "example": None}
    if len(a) == len(b):
        pairs = [(x, y) for x, y in zip(a, b) if x != y]
        extra = 0
    else:
        pairs, extra = [], 0
        for op, i1, i2, j1, j2 in Matcher(a, b).get_opcodes():
            if op == "equal":
                continue
            pairs += list(zip(a[i1:i2], b[j1:j2]))
            extra += abs((i2 - i1) - (j2 - j1))
    result["changed"] = len(pairs) + extra
    for x, y in pairs:
        result["attributes"].update(changed_attributes(x, y))
    if extra:
        result["attributes"]["(tags split or merged)"] += extra
    if pairs:
        result["example"] = [tag_text(pairs[0][0]), tag_text(pairs[0][1])]
    if len(before) == len(after):
        result["whitespace"] = sum(1 for x, y in zip(before, after)
                                   if normal(x, False) != normal(y, False) and normal(x, True) == normal(y, True))
    return result


def readable(text):
    """Text read by start_tags as it was meant, UTF-8 bytes decoded."""
    raw = b"".join(bytes([ord(c) - 0xE000]) if 0xE080 <= ord(c) <= 0xE0FF else c.encode("utf-8") for c in text)
    return raw.decode("utf-8", "replace")


def tag_text(tag):
    attrs = "".join(" %s=%r" % (k, readable(v)) if v is not None else " " + k for k, v in tag[1])
    return "<" + tag[0] + attrs + ">"


def parser_check(orig, copies, pages, processes):
    report = {}
    with multiprocessing.Pool(processes) as pool:
        for setting, root in copies.items():
            jobs = [(os.path.join(orig, p), os.path.join(root, p)) for p in pages]
            results = pool.map(compare_tags, jobs, chunksize=16)
            words = pool.map(compare_words, jobs, chunksize=16)
            attributes = collections.Counter()
            for r in results:
                attributes.update(r["attributes"])
            examples = [(p, r["example"]) for p, r in zip(pages, results) if r["example"]][:10]
            print("parser check of %s done" % setting, file=sys.stderr, flush=True)
            report[setting] = {
                "pages": len(pages),
                "start_tags": sum(r["tags"] for r in results),
                "changed_tags": sum(r["changed"] for r in results),
                "pages_with_changed_tags": sum(1 for r in results if r["changed"]),
                "whitespace_only_tags": sum(r["whitespace"] for r in results),
                "attributes": dict(attributes.most_common()),
                "examples": examples,
                "pages_with_changed_words": sum(1 for w in words if w),
                "pages_joined_at_gt": sum(1 for w in words if w and w["joined_gt"] and not w["joined"] and not w["other"]),
                "word_examples": [(p, w["example"]) for p, w in zip(pages, words) if w][:10],
            }
    return report


# ---- What a reader sees, in a real browser ----

def draw_sample(pages, size, seed):
    """About `size` pages, spread evenly over the packages (the first folder of each path)."""
    groups = collections.defaultdict(list)
    for p in pages:
        groups[p.split(os.sep)[0]].append(p)
    rng = random.Random(seed)
    sample, left = [], size
    for i, name in enumerate(sorted(groups, key=lambda g: len(groups[g]))):
        share = min(len(groups[name]), left // (len(groups) - i))
        sample += sorted(rng.sample(groups[name], share))
        left -= share
    return sample


def start_browser(profile):
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service

    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + profile]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(120)
    driver.set_script_timeout(120)
    return driver


def rendered(driver, script, path):
    """What the page shows, or None when it cannot be read (a page that keeps navigating away)."""
    from selenium.common.exceptions import WebDriverException

    for attempt in range(3):
        try:
            driver.get("file://" + path)
            return driver.execute_script(script)
        except WebDriverException:
            time.sleep(1 + attempt)
    return None


def word_changes(before, after):
    """Differences in the words shown: joined words (and whether a literal " >" caused them) and others."""
    joined, joined_gt, other, example = 0, 0, 0, None
    sm = Matcher(before, after)
    for op, i1, i2, j1, j2 in sm.get_opcodes():
        if op == "equal":
            continue
        a, b = before[i1:i2], after[j1:j2]
        if op == "replace" and len(b) < len(a) and "".join(a) == "".join(b):
            if any(w.startswith(">") for w in a[1:]):
                joined_gt += 1
            else:
                joined += 1
        else:
            other += 1
        if example is None:
            example = [" ".join(before[max(0, i1 - 3):i2 + 3]), " ".join(after[max(0, j1 - 3):j2 + 3])]
    return joined, joined_gt, other, example


def styled_chars(runs):
    chars, looks = [], []
    for text, look in runs:
        chars.append(text)
        looks += [look] * len(text)
    return "".join(chars), looks


def style_changes(before, after):
    """Visible characters, matched between the two pages, whose look differs."""
    ca, la = styled_chars(before)
    cb, lb = styled_chars(after)
    if ca == cb:
        blocks = [(0, 0, len(ca))]
    else:
        blocks = difflib.SequenceMatcher(None, ca, cb).get_matching_blocks()
    changed, example = 0, None
    for i, j, n in blocks:
        for k in range(n):
            if la[i + k] != lb[j + k]:
                changed += 1
                if example is None:
                    example = [ca[max(0, i + k - 20):i + k + 20], la[i + k], lb[j + k]]
    return changed, example


def box_changes(before, after):
    """Block boxes whose element, position or size (beyond 1 px) differ, in document order (a centred
    paragraph that became a center element in the same place is the same box)."""
    if len(before) != len(after):
        return abs(len(before) - len(after)), ["%d block boxes" % len(before), "%d block boxes" % len(after)]
    moved, example = 0, None
    for a, b in zip(before, after):
        if a[0] != b[0] and {a[0], b[0]} != {"P", "CENTER"} or any(abs(x - y) > 1 for x, y in zip(a[1:], b[1:])):
            moved += 1
            if example is None:
                example = [a, b]
    return moved, example


def browser_check(orig, copies, sample, work):
    with open(os.path.join(HERE, "rendered.js")) as f:
        script = f.read()
    profile = tempfile.mkdtemp(prefix="profile-", dir=work)
    driver = start_browser(profile)
    report = {s: {"pages": 0, "changed_words": [], "joined_words": [], "joined_at_gt": [], "changed_styling": [],
                  "changed_boxes": []}
              for s in copies}
    report["not_compared"] = []
    try:
        for n, page in enumerate(sample, 1):
            seen = {s: rendered(driver, script, os.path.join(root, page)) for s, root in copies.items()}
            base = rendered(driver, script, os.path.join(orig, page))
            if base is None or None in seen.values():
                report["not_compared"].append(page)
                continue
            for setting in copies:
                r = report[setting]
                r["pages"] += 1
                joined, joined_gt, other, example = word_changes(base["words"], seen[setting]["words"])
                if joined or other or joined_gt:
                    r["changed_words"].append([page, example])
                if joined:
                    r["joined_words"].append(page)
                if joined_gt and not joined:
                    r["joined_at_gt"].append(page)
                styled, example = style_changes(base["runs"], seen[setting]["runs"])
                if styled:
                    r["changed_styling"].append([page, styled, example])
                moved, example = box_changes(base["boxes"], seen[setting]["boxes"])
                if moved:
                    r["changed_boxes"].append([page, moved, example])
            if n % 20 == 0:
                print("  browser: %d of %d pages" % (n, len(sample)), file=sys.stderr, flush=True)
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    return report


# ---- The run ----

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("pages", help="page set (only read)")
    ap.add_argument("--corvane", default=os.path.join(HERE, "..", "..", "build", "bin", "corvane"))
    ap.add_argument("--work", help="folder for the copies (default: a new temporary folder)")
    ap.add_argument("--sample", type=int, default=200, help="pages loaded in the browser (default 200)")
    ap.add_argument("--seed", type=int, default=7)
    ap.add_argument("--no-browser", action="store_true", help="only the parser check")
    ap.add_argument("--keep", action="store_true", help="keep the copies")
    ap.add_argument("--reuse", action="store_true", help="take the copies already compressed in --work")
    ap.add_argument("--json", help="write the full report here")
    ap.add_argument("--peers", default="", help="also these peer minifiers, comma-separated (%s); "
                    "bench/peers must have its npm packages installed" % ", ".join(PEERS))
    ap.add_argument("--browser-settings", default="", help="compare only these settings in the browser")
    args = ap.parse_args()

    source = os.path.abspath(args.pages)
    work = os.path.abspath(args.work) if args.work else tempfile.mkdtemp(prefix="pagecheck-")
    os.makedirs(work, exist_ok=True)
    started = time.time()
    pages = find_pages(source)
    if not pages:
        sys.exit("no .htm or .html pages under " + source)

    # The original is copied too, so the browser loads every version the same way.
    orig = os.path.join(work, "original")
    peers = [p for p in args.peers.split(",") if p]
    for p in peers:
        if p not in PEERS:
            sys.exit("unknown peer " + p)
        SETTINGS[p] = None
    copies = {s: os.path.join(work, s) for s in SETTINGS}
    ignore = shutil.ignore_patterns("*.deb")
    done = os.path.join(work, "compressed")
    if not (args.reuse and os.path.exists(done)):
        for target in [orig] + list(copies.values()):
            if os.path.exists(target):
                make_writable(target)
                shutil.rmtree(target)
            shutil.copytree(source, target, symlinks=True, ignore=ignore)
            make_writable(target)
        for setting, root in copies.items():
            if SETTINGS[setting] is None:
                command = ["node", os.path.join(HERE, "..", "peers", "minify.js"), setting, orig, root]
            else:
                command = [args.corvane, "-q"] + SETTINGS[setting] + [root]
            run = subprocess.run(command, capture_output=True, text=True)
            if run.returncode != 0:
                sys.exit("corvane %s failed:\n%s" % (setting, run.stderr))
        open(done, "w").close()
    sizes = {"original": total_size(orig, pages)}
    for setting, root in copies.items():
        sizes[setting] = total_size(root, pages)

    report = {"pages": len(pages), "sizes": sizes}
    print("%d pages, %d bytes" % (len(pages), sizes["original"]), file=sys.stderr, flush=True)
    report["parser"] = parser_check(orig, copies, pages, os.cpu_count() or 1)
    print(json.dumps(report["parser"], indent=1)[:3000], file=sys.stderr, flush=True)
    if not args.no_browser:
        sample = draw_sample(pages, args.sample, args.seed)
        report["browser_sample"] = collections.Counter(p.split(os.sep)[0] for p in sample)
        shown = [s for s in args.browser_settings.split(",") if s] or list(copies)
        report["browser"] = browser_check(orig, {s: copies[s] for s in shown}, sample, work)
    report["seconds"] = round(time.time() - started)

    print_report(report)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(report, f, indent=1)
    if not args.keep and not args.work:
        shutil.rmtree(work, ignore_errors=True)


def print_report(r):
    sizes = r["sizes"]
    print("Pages: %d, %d bytes" % (r["pages"], sizes["original"]))
    for s in SETTINGS:
        print("  %-20s %d bytes, %.3f of the input, %.1f%% saved" %
              (s, sizes[s], sizes[s] / sizes["original"], 100 - 100 * sizes[s] / sizes["original"]))
    print("Parser (html.parser, every page):")
    for s, p in r["parser"].items():
        print("  %-8s %d of %d start tags changed on %d pages (%d of them only in a value's white space);"
              " visible words changed on %d pages (%d only at a literal '>')" %
              (s, p["changed_tags"], p["start_tags"], p["pages_with_changed_tags"], p["whitespace_only_tags"],
               p["pages_with_changed_words"], p["pages_joined_at_gt"]))
        top = list(p["attributes"].items())[:12]
        if top:
            print("           " + ", ".join("%s %d" % kv for kv in top))
        for page, (before, after) in p["examples"][:3]:
            print("           %s: %s -> %s" % (page, before[:100], after[:100]))
        for page, example in p["word_examples"][:3]:
            print("           words %s: %s" % (page, example))
    if "browser" in r:
        print("Browser (headless Chromium, %s):" % ", ".join("%s %d" % kv for kv in sorted(r["browser_sample"].items())))
        if r["browser"]["not_compared"]:
            print("  not compared (the page navigates away or would not load): " + ", ".join(r["browser"]["not_compared"]))
        for s in [s for s in SETTINGS if s in r["browser"]]:
            b = r["browser"][s]
            print("  %-8s of %d pages: %d with changed words (%d with joined words, %d joined only at a"
                  " literal ' >'), %d with changed styling, %d with changed block boxes" %
                  (s, b["pages"], len(b["changed_words"]), len(b["joined_words"]), len(b["joined_at_gt"]),
                   len(b["changed_styling"]), len(b["changed_boxes"])))
            for page, example in b["changed_words"][:3]:
                print("           words %s: %s" % (page, example))
            for page, count, example in b["changed_styling"][:3]:
                print("           styling %s: %d characters, %s" % (page, count, example))
            for page, count, example in b["changed_boxes"][:3]:
                print("           boxes %s: %d, %s" % (page, count, example))
    print("(%d s)" % r["seconds"])


if __name__ == "__main__":
    main()
