#pragma once

// The scan behind BestPass, shared by its reading and writing of tags (BestTags.cpp), what it
// knows the parser implies (BestImplied.cpp) and its walk through the document (BestPass.cpp).
// Internal to the engine.

#include "ByteScan.h"
#include "CharacterReferences.h"
#include "ElementNames.h"
#include "OpenElements.h"
#include "PassStream.h"
#include "Passes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace best {

using elementnames::Id;

// White space of text: a form feed is not collapsed by style sheets, so it stays as it is.
inline bool IsTextSpace(char b) noexcept
{
    return b == ' ' || b == '\t' || b == '\n' || b == '\r';
}

// Bytes that end a tag's name, an attribute's name or an unquoted value (with "=" for names).
enum : unsigned char
{
    kSpace = 1,
    kEndsName = 2,
    kEndsAttributeName = 4,
    kEndsValue = 8,
};
constexpr std::array<unsigned char, 256> kTagBytes = [] {
    std::array<unsigned char, 256> bytes{};
    for (const unsigned char b : std::string_view(" \t\n\f\r"))
        bytes[b] = kSpace | kEndsName | kEndsAttributeName | kEndsValue;
    bytes['/'] = kEndsName | kEndsAttributeName;
    bytes['>'] = kEndsName | kEndsAttributeName | kEndsValue;
    bytes['='] = kEndsAttributeName;
    return bytes;
}();

inline bool Is(char b, unsigned char what) noexcept
{
    return kTagBytes[static_cast<unsigned char>(b)] & what;
}

inline bool IsAsciiAlnum(char b) noexcept
{
    return bytescan::IsLetter(static_cast<unsigned char>(b)) || (b >= '0' && b <= '9');
}

struct Attribute
{
    std::size_t nameStart;
    std::size_t nameLength;
    std::size_t valueStart;
    std::size_t valueLength;
    char quote; // '"', '\'' or 0
    bool hasValue;
};

// One tag as the tokenizer reads it, from its "<" to one past its ">".
struct Tag
{
    static constexpr int kMaxAttributes = 48;

    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
    bool closing = false;
    bool selfClosing = false;
    bool tooMany = false; // more attributes than kept: written as it stands
    int count = 0;
    Attribute attributes[kMaxAttributes];
    std::uint32_t traits = 0;
    Id id = Id::Other;
    // Read before the tag is rewritten, since the rewriting may overwrite its bytes.
    char lower[24] = {};      // the name folded to lower case (its start, when longer)
    bool centred = false;     // <p align=center>, turned into a center element
    bool styledSpace = false; // an inline style that names white-space

    std::string_view Name() const noexcept
    {
        return {lower, nameLength < sizeof lower ? nameLength : sizeof lower};
    }
};

// What the output ends with, as a line of text sees it.
enum class Last
{
    Edge,    // the start of the document or a block tag: a space here is never shown
    Space,   // a space of text: another one right after it is never shown
    Content, // anything else
};

class BestScan
{
public:
    BestScan(TWorkingDocument& doc, bool unquote, bool centre) noexcept
        : m_s{doc.data, doc.length}, m_unquote(unquote), m_centre(centre)
    {
    }

    void Run(TWorkingDocument& doc) noexcept;

private:
    enum class Next
    {
        StartTag,
        EndTag,
        Text,
        Other, // a comment that stays, a doctype, a processing instruction
        End,   // the end of the document
    };

    bool ParseTag(std::size_t lt, Tag& tag) const noexcept;
    std::size_t CentredEnd(std::size_t from) noexcept;
    void WriteTag(const Tag& tag) noexcept;
    void WriteEndTag(std::size_t nameStart, std::size_t nameLength) noexcept;
    int RemovableType(const Tag& tag) const noexcept;
    bool KeepsSpaceByStyle(const Tag& tag) const noexcept;
    [[nodiscard]] std::size_t NextKept(std::size_t from) const noexcept;
    [[nodiscard]] bool Implied(const Tag& tag) const noexcept;

    void Before(Next next, const Tag* tag, bool block) noexcept;
    struct Held;
    static bool Goes(const Held& held, Next next, Id n, std::uint32_t t, bool found) noexcept;
    bool SpaceShows(Next next, bool block) const noexcept;
    // Whether the default rules take the tag for a block tag.
    [[nodiscard]] bool IsBlockTag(const Tag& tag) const noexcept;
    void Space() noexcept;
    void Text() noexcept;
    bool Markup() noexcept;
    bool Comment(std::size_t lt) noexcept;
    bool StartTag(Tag& tag) noexcept;
    void EndTag(Tag& tag) noexcept;
    bool RawText(const Tag& tag) noexcept;
    void CopyRest() noexcept;

    passes::Stream m_s;
    bool m_unquote;
    bool m_centre;
    std::size_t m_centreEnd = bytescan::npos; // the "</p>" of the paragraph turned into a center element
    Tag m_look;
    bool m_utf8 = charrefs::DeclaresUtf8(m_s.d, m_s.len); // references may be written out
    Tag m_tag;

    // White space read but not yet written: it is settled by what comes next.
    bool m_pending = false;
    char m_pendingByte = ' ';
    std::size_t m_spaceEnd = bytescan::npos; // the output's length just after the last space written
    Last m_last = Last::Edge;
    bool m_inHead = true;
    bool m_bodyStarted = false; // text or an element of the body has come
    bool m_textSinceTag = false; // text written since the last start or end tag
    // Once the body has begun, html, head and body start tags and a head end tag begin or end
    // no box: the parser merges them into what is open or drops them, and the text around them
    // runs on. (The body and html end tags still close the page, as the text after them rarely
    // shows.)
    [[nodiscard]] bool MergedIntoBody(Id id, bool start) const noexcept
    {
        return m_bodyStarted && (start ? id == Id::Html || id == Id::Head || id == Id::Body : id == Id::Head);
    }

    // Inside an element that keeps its white space as written (or another parser's content):
    // its name, how deep it nests, and whether it is foreign.
    std::size_t m_keepDepth = 0;
    Tag m_keepTag; // its name
    bool m_keepForeign = false;

    // End tags held back until the next thing shows whether the parser implies them. A run of
    // them is settled from its end: one that goes leaves the one before it to meet what follows.
    struct Held
    {
        std::size_t nameStart;
        std::size_t nameLength;
        Tag name;     // its name, folded
        bool tracked; // a p, li, dt or dd that was the innermost element followed
        bool found;   // the element it ends was open
        bool inCell;  // the innermost table part around it is a cell
    };
    static constexpr int kMaxHeld = 8;
    Held m_held[kMaxHeld];
    int m_heldCount = 0;

    openelements::OpenElements m_elements;
};

} // namespace best
