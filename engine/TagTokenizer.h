#pragma once

// Where a browser's tokenizer stands after the bytes of a document read so far: in text, inside a
// tag, in a quoted attribute value, in a comment, or in the text of an element whose contents are
// never markup (script, style, title, textarea and their kind). A "<" or ">" means something only
// where it stands in the right place, and only this tells where. Internal to the engine.

#include <cstddef>
#include <cstdint>

namespace blocktags {

class TagTokenizer
{
public:
    // Reads d[from, to), the bytes that follow those read so far. Positions are the caller's.
    void Read(const char* d, std::size_t from, std::size_t to) noexcept;

    // Whether a "<" read next may open a tag.
    [[nodiscard]] bool InText() const noexcept { return m_state == Data || m_state == TagOpen; }
    // Whether a ">" read next ends a start or end tag.
    [[nodiscard]] bool InTag() const noexcept { return m_state >= TagName && m_state <= SelfClosing; }
    // Where the "<" of the tag the tokenizer is in was read.
    [[nodiscard]] std::size_t TagStart() const noexcept { return m_lt; }

private:
    enum State : std::uint8_t
    {
        Data,
        TagOpen,
        EndTagOpen,
        // Inside a tag, where a ">" ends it.
        TagName,
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

    std::size_t QuickTag(const char* d, std::size_t i, std::size_t to) noexcept;
    std::size_t InsideTag(const char* d, std::size_t i, std::size_t to) noexcept;
    std::size_t PastNext(const char* d, std::size_t i, std::size_t to, char b, State next) noexcept;
    void EndOfTag() noexcept;
    bool EndTagName(unsigned char c, State mismatch) noexcept;

    State m_state = Data;
    bool m_endTag = false;
    bool m_matching = false;     // the name read after "<" in a script still spells "script"
    std::uint8_t m_matched = 0;  // bytes of a closing name matched so far
    std::uint8_t m_raw = 0;      // whose text runs raw
    std::uint8_t m_nameLength = 0;
    char m_name[9] = {};         // a start tag's name, as far as a raw one could be that long
    std::size_t m_lt = 0;
};

} // namespace blocktags
