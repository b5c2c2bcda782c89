#include "TagTokenizer.h"

#include "ByteScan.h"
#include "TagBytes.h"

namespace blocktags {

using namespace tagbytes;

// Past the next `b` in d[i, to), and then in `next`; `to` when there is none.
std::size_t TagTokenizer::PastNext(const char* d, std::size_t i, std::size_t to, char b, State next) noexcept
{
    i = Next(d, i, to, b);
    if (i == to)
        return to;
    m_state = next;
    return i + 1;
}

void TagTokenizer::EndOfTag() noexcept
{
    m_state = Data;
    if (m_endTag || m_nameLength > sizeof m_name)
        return;
    const std::string_view name(m_name, m_nameLength);
    for (std::uint8_t k = 0; k < std::size(kRawNames); ++k) {
        if (name == kRawNames[k]) {
            m_raw = k;
            EnterRaw();
            return;
        }
    }
}


void TagTokenizer::EnterRaw() noexcept
{
    m_state = m_raw == kScript ? Script : m_raw == kPlainText ? PlainText : RawText;
}

// A tag from the first byte of its name: most hold no quote before their ">" (the quote removal
// has seen to that), so nothing inside can hold the ">" and the tag ends there. Others are read
// byte by byte. Returns where to read on.
std::size_t TagTokenizer::QuickTag(const char* d, std::size_t i, std::size_t to) noexcept
{
    m_nameLength = 0;
    m_state = TagName;
    std::size_t end = 0;
    std::size_t lastDouble = 0;
    std::size_t lastSingle = 0;
    bytescan::ScanToTagEnd(d, i, to, end, lastDouble, lastSingle);
    if (end >= to || lastDouble != bytescan::npos || lastSingle != bytescan::npos)
        return i;
    if (!m_endTag) {
        // Only a name that may run raw is kept.
        const char first = Lower(static_cast<unsigned char>(d[i]));
        if (first == 't' || first == 's' || first == 'x' || first == 'i' || first == 'n' || first == 'p') {
            for (; i < end && !IsSpace(static_cast<unsigned char>(d[i])) && d[i] != '/' && m_nameLength <= sizeof m_name; ++i) {
                if (m_nameLength < sizeof m_name)
                    m_name[m_nameLength] = Lower(static_cast<unsigned char>(d[i]));
                ++m_nameLength;
            }
        } else {
            m_nameLength = sizeof m_name + 1;
        }
    }
    EndOfTag();
    return end + 1;
}

// The bytes of a tag from the state it is in, up to its end or `to`: a loop per state rather than
// a turn of the outer one per byte. Returns where to read on.
std::size_t TagTokenizer::InsideTag(const char* d, std::size_t i, std::size_t to) noexcept
{
    const auto at = [d](std::size_t k) { return static_cast<unsigned char>(d[k]); };
    // Past spaces; false at `to`.
    const auto skipSpaces = [&] {
        while (i < to && IsSpace(at(i)))
            ++i;
        return i < to;
    };
    for (;;) {
        switch (m_state) {
        case TagName:
            for (; i < to && !IsSpace(at(i)) && at(i) != '/' && at(i) != '>'; ++i) {
                if (m_nameLength < sizeof m_name)
                    m_name[m_nameLength] = Lower(at(i));
                if (m_nameLength <= sizeof m_name)
                    ++m_nameLength;
            }
            if (i == to)
                return i;
            m_state = at(i) == '/' ? SelfClosing : BeforeAttrName;
            i += at(i) == '/';
            break;
        case BeforeAttrName:
            if (!skipSpaces())
                return i;
            if (at(i) == '/' || at(i) == '>') {
                m_state = AfterAttrName;
                continue;
            }
            m_state = AttrName;
            ++i; // a name may begin with "="
            break;
        case AttrName:
            while (i < to && !IsSpace(at(i)) && at(i) != '/' && at(i) != '>' && at(i) != '=')
                ++i;
            if (i == to)
                return i;
            if (at(i) == '=') {
                m_state = BeforeAttrValue;
                ++i;
            } else {
                m_state = AfterAttrName;
            }
            break;
        case AfterAttrName:
            if (!skipSpaces())
                return i;
            if (at(i) == '/' || at(i) == '=') {
                m_state = at(i) == '/' ? SelfClosing : BeforeAttrValue;
                ++i;
            } else if (at(i) != '>') {
                m_state = AttrName;
            }
            break;
        case BeforeAttrValue:
            if (!skipSpaces())
                return i;
            if (at(i) == '"' || at(i) == '\'') {
                m_state = at(i) == '"' ? DoubleQuotedValue : SingleQuotedValue;
                ++i;
            } else if (at(i) != '>') {
                m_state = UnquotedValue;
            }
            break;
        case UnquotedValue:
            while (i < to && !IsSpace(at(i)) && at(i) != '>')
                ++i;
            if (i == to)
                return i;
            if (at(i) != '>') {
                m_state = BeforeAttrName;
                ++i;
            }
            break;
        case DoubleQuotedValue:
        case SingleQuotedValue:
            i = Next(d, i, to, m_state == DoubleQuotedValue ? '"' : '\'');
            if (i == to)
                return i;
            m_state = AfterQuotedValue;
            ++i;
            break;
        case AfterQuotedValue:
            if (i == to)
                return i;
            if (at(i) == '/') {
                m_state = SelfClosing;
                ++i;
            } else if (at(i) != '>') {
                m_state = BeforeAttrName;
            }
            break;
        case SelfClosing:
            if (i == to)
                return i;
            if (at(i) != '>')
                m_state = BeforeAttrName;
            break;
        default:
            return i;
        }
        // Every state that meets a ">" outside a value ends the tag with it.
        if (i < to && at(i) == '>' && InTag()) {
            EndOfTag();
            return i + 1;
        }
    }
}

// One byte of a closing tag's name inside raw text: true when consumed. The name matched in full
// and followed by a space, "/" or ">" makes a real closing tag; anything else is text, read again
// in `mismatch`.
bool TagTokenizer::EndTagName(unsigned char c, State mismatch) noexcept
{
    const std::string_view name = kRawNames[m_raw];
    if (bytescan::IsLetter(c) && m_matched < name.size() && Lower(c) == name[m_matched]) {
        ++m_matched;
        return true;
    }
    if (m_matched == name.size() && (IsSpace(c) || c == '/' || c == '>')) {
        m_endTag = true;
        m_state = c == '>' ? Data : c == '/' ? SelfClosing : BeforeAttrName;
        return true;
    }
    m_state = mismatch;
    return false;
}

void TagTokenizer::Read(const char* d, std::size_t i, std::size_t to, std::size_t readable) noexcept
{
    m_readable = readable < to ? to : readable;
    while (i < to) {
        const unsigned char c = static_cast<unsigned char>(d[i]);
        switch (m_state) {
        case Data:
        case QuotelessTag:
            i = Text(d, i, to);
            break;
        case TagOpen:
            if (bytescan::IsLetter(c)) {
                m_endTag = false;
                i = QuickTag(d, i, to);
            } else if (c == '!') {
                m_state = MarkupOpen;
                ++i;
            } else if (c == '/') {
                m_state = EndTagOpen;
                ++i;
            } else if (c == '?') {
                m_state = Bogus;
                ++i;
            } else {
                m_state = Data;
            }
            break;
        case EndTagOpen:
            if (bytescan::IsLetter(c)) {
                m_endTag = true;
                i = QuickTag(d, i, to);
            } else if (c == '>') {
                m_state = Data;
                ++i;
            } else {
                m_state = Bogus;
            }
            break;
        case TagName:
        case BeforeAttrName:
        case AttrName:
        case AfterAttrName:
        case BeforeAttrValue:
        case UnquotedValue:
        case AfterQuotedValue:
        case SelfClosing:
        case DoubleQuotedValue:
        case SingleQuotedValue:
            i = InsideTag(d, i, to);
            break;
        case MarkupOpen:
            if (c == '-' || c == '[') {
                m_state = c == '-' ? MarkupDash : CdataOpen;
                m_matched = 1;
                ++i;
            } else {
                m_state = Bogus;
            }
            break;
        case MarkupDash:
            m_state = c == '-' ? CommentStart : Bogus;
            i += c == '-';
            break;
        case CdataOpen: {
            static constexpr std::string_view kCdata = "[CDATA[";
            if (c != static_cast<unsigned char>(kCdata[m_matched])) {
                m_state = Bogus;
            } else {
                ++i;
                if (++m_matched == kCdata.size())
                    m_state = Cdata;
            }
            break;
        }
        case Cdata:
            i = PastNext(d, i, to, ']', CdataBracket);
            break;
        case CdataBracket:
            m_state = c == ']' ? CdataEnd : Cdata;
            i += c == ']';
            break;
        case CdataEnd:
            if (c == ']' || c == '>') {
                if (c == '>')
                    m_state = Data;
                ++i;
            } else {
                m_state = Cdata;
            }
            break;
        case CommentStart:
        case CommentStartDash:
            if (c == '>') {
                m_state = Data; // "<!-->" and "<!--->" end at once
                ++i;
            } else if (c == '-') {
                m_state = m_state == CommentStart ? CommentStartDash : CommentEnd;
                ++i;
            } else {
                m_state = Comment;
            }
            break;
        case Comment:
            i = PastNext(d, i, to, '-', CommentEndDash);
            break;
        case CommentEndDash:
            m_state = c == '-' ? CommentEnd : Comment;
            i += c == '-';
            break;
        case CommentEnd:
            if (c == '>' || c == '!' || c == '-') {
                m_state = c == '>' ? Data : c == '!' ? CommentEndBang : CommentEnd;
                ++i;
            } else {
                m_state = Comment;
            }
            break;
        case CommentEndBang:
            if (c == '>' || c == '-') {
                m_state = c == '>' ? Data : CommentEndDash;
                ++i;
            } else {
                m_state = Comment;
            }
            break;
        case Bogus:
            i = PastNext(d, i, to, '>', Data);
            break;
        case RawText:
        case Script:
            i = Next(d, i, to, '<');
            if (i < to) {
                m_lt = i++;
                m_state = m_state == RawText ? RawLt : ScriptLt;
            }
            break;
        case RawLt:
            if (c == '/') {
                m_state = RawEnd;
                m_matched = 0;
                ++i;
            } else {
                m_state = RawText;
            }
            break;
        case RawEnd:
            i += EndTagName(c, RawText);
            break;
        case ScriptLt:
            if (c == '/' || c == '!') {
                m_state = c == '/' ? ScriptEnd : ScriptEscapeStart;
                m_matched = 0;
                ++i;
            } else {
                m_state = Script;
            }
            break;
        case ScriptEnd:
            i += EndTagName(c, Script);
            break;
        case ScriptEscapeStart:
        case ScriptEscapeStartDash:
            if (c == '-') {
                m_state = m_state == ScriptEscapeStart ? ScriptEscapeStartDash : EscapedDashDash;
                ++i;
            } else {
                m_state = Script;
            }
            break;
        case Escaped:
        case EscapedDash:
        case EscapedDashDash:
            if (c == '<') {
                m_lt = i;
                m_state = EscapedLt;
            } else if (c == '-') {
                m_state = m_state == Escaped ? EscapedDash : EscapedDashDash;
            } else {
                m_state = c == '>' && m_state == EscapedDashDash ? Script : Escaped;
            }
            ++i;
            break;
        case EscapedLt:
            if (c == '/') {
                m_state = EscapedEnd;
                m_matched = 0;
                ++i;
            } else if (bytescan::IsLetter(c)) {
                m_state = DoubleEscapeStart;
                m_matched = 0;
                m_matching = true;
            } else {
                m_state = Escaped;
            }
            break;
        case EscapedEnd:
            i += EndTagName(c, Escaped);
            break;
        case DoubleEscapeStart:
        case DoubleEscapeEnd: {
            const bool start = m_state == DoubleEscapeStart;
            if (IsSpace(c) || c == '/' || c == '>') {
                const bool script = m_matching && m_matched == kScriptName.size();
                m_state = start ? (script ? DoubleEscaped : Escaped) : (script ? Escaped : DoubleEscaped);
                ++i;
            } else if (bytescan::IsLetter(c)) {
                m_matching = m_matching && m_matched < kScriptName.size() && Lower(c) == kScriptName[m_matched];
                m_matched += m_matched < kScriptName.size();
                ++i;
            } else {
                m_state = start ? Escaped : DoubleEscaped;
            }
            break;
        }
        case DoubleEscaped:
        case DoubleEscapedDash:
        case DoubleEscapedDashDash:
            if (c == '<') {
                m_state = DoubleEscapedLt;
            } else if (c == '-') {
                m_state = m_state == DoubleEscaped ? DoubleEscapedDash : DoubleEscapedDashDash;
            } else {
                m_state = c == '>' && m_state == DoubleEscapedDashDash ? Script : DoubleEscaped;
            }
            ++i;
            break;
        case DoubleEscapedLt:
            if (c == '/') {
                m_state = DoubleEscapeEnd;
                m_matched = 0;
                m_matching = true;
                ++i;
            } else {
                m_state = DoubleEscaped;
            }
            break;
        case PlainText:
            return;
        }
    }
}

} // namespace blocktags
