#pragma once

#include "Passes.h"

// The --best rules: one scan over the document that reads it the way a browser's HTML parser
// does (tags with their quoted values, comments, raw text elements) and drops only what a browser
// provably ignores. Internal to the engine; it runs before the quote, renaming and centring
// passes and does the white-space work in place of the spacing rows.
//
// - Comments go, except conditional comments, server-side includes ("<!--#"), comments whose text
//   begins with "!" and comments inside pre, listing, svg, math, template or an element whose
//   inline style names white-space; script, style, textarea and title hold no comments to a browser.
// - White space between the elements of the head goes, up to the first thing of the body.
// - A run of spaces, tabs and line breaks in text becomes one space (a lone line break stays);
//   beside a block tag (BlockTags.h), at either end of the document, after another space or
//   after a block edge it goes, reading across the comments that go. Nothing changes inside
//   pre, listing, textarea, script, style, svg, math, template or an element styled white-space.
// - Tags are written the way the parser reads them: one space between attributes and none after
//   a quoted value, none before ">", no "/" before ">" of an HTML element, no attributes on an
//   end tag, `a=""` as `a`, and (with `unquote`) the quotes of a value that needs none.
// - `type` goes from a script when it is a JavaScript MIME type, and from style and
//   `<link rel=stylesheet>` when it is text/css (one type attribute only, no `language`).
// - End tags the parser implies go where the next tag closes the element the same way: td, th
//   and tr before the next cell, row or row group or the table's end; tbody, thead and tfoot
//   before the next row group or the table's end; p before a tag that closes a paragraph; li
//   before the next li or the list's end; dt and dd before the next dt or dd or the list's end
//   (those four only when nothing but phrasing was opened inside); head before a start tag;
//   body and html at the end of the document.
// - With `centre`, a paragraph opened exactly as <p align=center> that holds only phrasing becomes
//   a center element, its own "</p>" included (the centring passes pair an opening with the next
//   "</p>" wherever it is, which a second run could see otherwise).
// Never lengthens the document.
void BestPass(TWorkingDocument& doc, bool unquote, bool centre) noexcept;
