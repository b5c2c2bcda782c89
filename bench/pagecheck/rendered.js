// Run in the page: the words a reader sees, and every visible run of text with its look.
// Whitespace is left out of the runs: only which characters are italic, bold or decorated counts.
const body = document.body;
if (!body)
    return {words: [], runs: [], boxes: []};
const looks = new Map();
const decorations = new Map();
function decoration(el) {
    if (!el || el.nodeType !== 1)
        return '';
    if (decorations.has(el))
        return decorations.get(el);
    const own = getComputedStyle(el).textDecorationLine;
    const lines = new Set(decoration(el.parentElement).split('+').filter(Boolean));
    if (own && own !== 'none')
        own.split(' ').forEach(line => lines.add(line));
    const result = [...lines].sort().join('+');
    decorations.set(el, result);
    return result;
}
function look(el) {
    if (!looks.has(el)) {
        const style = getComputedStyle(el);
        looks.set(el, style.fontStyle + '/' + style.fontWeight + '/' + decoration(el));
    }
    return looks.get(el);
}
const runs = [];
const walker = document.createTreeWalker(body, NodeFilter.SHOW_TEXT);
const range = document.createRange();
for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const text = node.nodeValue.replace(/\s+/g, '');
    if (!text || !node.parentElement)
        continue;
    range.selectNodeContents(node);
    if (range.getClientRects().length === 0)
        continue; // not shown
    runs.push([text, look(node.parentElement)]);
}
// Every element laid out as a block (not inline, not hidden), with its box to the pixel.
const boxes = [];
for (const el of body.querySelectorAll('*')) {
    const display = getComputedStyle(el).display;
    if (display === 'none' || display === 'contents' || display.startsWith('inline'))
        continue;
    const r = el.getBoundingClientRect();
    boxes.push([el.tagName, Math.round(r.x), Math.round(r.y), Math.round(r.width), Math.round(r.height)]);
}
return {words: body.innerText.split(/\s+/).filter(Boolean), runs: runs, boxes: boxes};
