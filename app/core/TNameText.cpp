#include "TNameText.h"

#include <QString>
#include <algorithm>

namespace {

#ifdef Q_OS_WIN
constexpr bool kEscapeBackslash = false; // the path separator there
#else
constexpr bool kEscapeBackslash = true;
#endif

bool LocaleIsUtf8()
{
    static const bool utf8 = QString::fromLocal8Bit("\xC3\xA9") == QString(QChar(0xE9));
    return utf8;
}

// Length of the well-formed UTF-8 sequence at i, 0 when there is none.
qsizetype Utf8Length(const QByteArray& bytes, qsizetype i)
{
    const auto byte = [&](qsizetype at) { return at < bytes.size() ? quint8(bytes[at]) : 0u; };
    const unsigned lead = byte(i);
    const auto continuation = [&](qsizetype at) { return (byte(at) & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned second = byte(i + 1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F))
            return 0; // overlong, or a surrogate
        return continuation(i + 1) && continuation(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned second = byte(i + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return 0;
        return continuation(i + 1) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
    }
    return 0;
}

// A C1 control (U+0080 to U+009F) that terminals act on, or a bidirectional embedding, override
// or isolate (U+202A to U+202E, U+2066 to U+2069) that turns the rest of a line around on screen.
bool IsHiddenControl(const QByteArray& bytes, qsizetype i, qsizetype length)
{
    const auto byte = [&](qsizetype at) { return quint8(bytes[i + at]); };
    if (length == 2)
        return byte(0) == 0xC2 && byte(1) < 0xA0;
    return length == 3 && byte(0) == 0xE2 &&
           ((byte(1) == 0x80 && byte(2) >= 0xAA && byte(2) <= 0xAE) ||
            (byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9));
}

void AppendEscape(QByteArray& out, quint8 byte)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

} // namespace

QByteArray TNameText::Escaped(const QByteArray& name)
{
    QByteArray out;
    out.reserve(name.size());
    const bool utf8 = LocaleIsUtf8();
    for (qsizetype i = 0; i < name.size();) {
        const quint8 byte = quint8(name[i]);
        if (byte < 0x20 || byte == 0x7F || (byte == '\\' && kEscapeBackslash)) {
            AppendEscape(out, byte);
            ++i;
        } else if (byte < 0x80 || !utf8) {
            out += char(byte);
            ++i;
        } else if (const qsizetype length = Utf8Length(name, i);
                   length == 0 || IsHiddenControl(name, i, length)) {
            // Undecodable, or a control that would act on the terminal rather than show.
            for (qsizetype k = 0; k < std::max<qsizetype>(length, 1); ++k)
                AppendEscape(out, quint8(name[i + k]));
            i += std::max<qsizetype>(length, 1);
        } else {
            out += name.mid(i, length);
            i += length;
        }
    }
    return out;
}
