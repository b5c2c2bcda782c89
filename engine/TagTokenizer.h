#pragma once

// Where a browser's tokenizer stands after the bytes of a document read so far: in text, inside a
// tag, in a quoted attribute value, in a comment, or in the text of an element whose contents are
// never markup (script, style, title, textarea and their kind). A "<" or ">" means something only
// where it stands in the right place, and only this tells where. Internal to the engine.

#include "ByteScan.h"

#include <cstddef>
#include <cstdint>

namespace blocktags {

// What a tokenizer needs of 64 bytes of a document, kept while the bytes may not change so that
// a reader asked again and again need not look at them again.
struct TagWindow
{
    const char* of = nullptr;
    std::size_t base = 0;
    std::size_t covered = 0; // bytes of the 64 the masks stand for, for a later read
    bytescan::TokenMasks masks = {};
    std::uint64_t stop = 0; // ">" and quotes: what ends a tag read quickly

    // Makes the masks stand for d[at, at + 64) as far as `to`; bytes up to `readable` do not change.
    void Cover(const char* d, std::size_t at, std::size_t to, std::size_t readable) noexcept
    {
        if (of != d || base != at || covered < (to - at < 64 ? to - at : 64))
            Load(d, at, to, readable);
    }

private:
    void Load(const char* d, std::size_t at, std::size_t to, std::size_t readable) noexcept;
};

class TagTokenizer
{
public:
    // Reads d[from, to), the bytes that follow those read so far. Positions are the caller's.
    // Bytes up to `readable` neither change nor move while this tokenizer reads: they may be
    // looked at ahead, several at once, but only those before `to` are read.
    void Read(const char* d, std::size_t from, std::size_t to, std::size_t readable = 0) noexcept;

    // Whether a "<" read next may open a tag.
    [[nodiscard]] bool InText() const noexcept { return m_state == Data || m_state == TagOpen; }
    // Whether a ">" read next ends a start or end tag.
    [[nodiscard]] bool InTag() const noexcept { return m_state >= TagName && m_state <= SelfClosing; }
    // Whether the byte read next is inside a quoted attribute value.
    [[nodiscard]] bool InQuotedValue() const noexcept
    {
        return m_state == DoubleQuotedValue || m_state == SingleQuotedValue;
    }
    // Where the "<" of the tag the tokenizer is in was read.
    [[nodiscard]] std::size_t TagStart() const noexcept { return m_lt; }
    // Makes the state one that the bytes to come may be read in from another block: a tag read
    // quickly so far is read again byte by byte from d, which must hold it up to `upTo`.
    void Settle(const char* d, std::size_t upTo) noexcept;

private:
    enum State : std::uint8_t
    {
        Data,
        TagOpen,
        EndTagOpen,
        // Inside a tag, where a ">" ends it.
        TagName,
        QuotelessTag, // read quickly from m_nameStart: no quote so far, the name judged
        BeforeAttrName,
        AttrName,
        AfterAttrName,
        BeforeAttrValue,
        UnquotedValue,
        AfterQuotedValue,
        SelfClosing,
        // Inside a tag, where a ">" is part of a value.
        DoubleQuotedValue,
        SingleQuotedValue,
        // Comments and the like.
        MarkupOpen,
        MarkupDash,
        CdataOpen,
        Cdata,
        CdataBracket,
        CdataEnd,
        CommentStart,
        CommentStartDash,
        Comment,
        CommentEndDash,
        CommentEnd,
        CommentEndBang,
        Bogus,
        // The text of title, textarea, style and the like: only their own closing tag ends it.
        RawText,
        RawLt,
        RawEnd,
        // Script text, with the escapes a "<!--" inside it opens.
        Script,
        ScriptLt,
        ScriptEnd,
        ScriptEscapeStart,
        ScriptEscapeStartDash,
        Escaped,
        EscapedDash,
        EscapedDashDash,
        EscapedLt,
        EscapedEnd,
        DoubleEscapeStart,
        DoubleEscaped,
        DoubleEscapedDash,
        DoubleEscapedDashDash,
        DoubleEscapedLt,
        DoubleEscapeEnd,
        PlainText,
    };

    std::size_t Text(const char* d, std::size_t i, std::size_t to) noexcept;
    bool Window(const char* d, std::size_t at, unsigned from, unsigned end, bool last) noexcept;
    std::size_t Tags(const char* d, std::size_t i, std::size_t to, std::size_t until) noexcept;
    std::size_t QuotelessTagEnd(const char* d, std::size_t i, std::size_t to) noexcept;
    std::size_t QuickTag(const char* d, std::size_t i, std::size_t to) noexcept;
    std::size_t InsideTag(const char* d, std::size_t i, std::size_t to) noexcept;
    std::size_t PastNext(const char* d, std::size_t i, std::size_t to, char b, State next) noexcept;
    void EndOfTag() noexcept;
    void EnterRaw() noexcept;
    bool EndTagName(unsigned char c, State mismatch) noexcept;

    State m_state = Data;
    bool m_endTag = false;
    bool m_matching = false;     // the name read after "<" in a script still spells "script"
    std::uint8_t m_matched = 0;  // bytes of a closing name matched so far
    std::uint8_t m_raw = 0xFF;   // whose text runs raw (or a tag read quickly would make so)
    std::uint8_t m_nameLength = 0;
    char m_name[9] = {};         // a start tag's name, as far as a raw one could be that long
    std::size_t m_lt = 0;
    std::size_t m_nameStart = 0;
    std::size_t m_readable = 0;
    TagWindow m_window;
};

} // namespace blocktags
