#include "TSettings.h"

#include "TIniFile32.h"

#include <limits>

namespace {
const QByteArray kSection = QByteArrayLiteral("option");

QByteArray WidthKey(int column)
{
    return QByteArrayLiteral("lvwidth") + QByteArray::number(column);
}
} // namespace

void TSettings::Read(const QString& iniPath)
{
    const TIniFile32 ini(iniPath);
    m_logging = ini.ReadBool(kSection, QByteArrayLiteral("bLog"), true);
    constexpr int kNone = std::numeric_limits<int>::min();
    for (int i = 0; i < ColumnCount; ++i) {
        const int width = ini.ReadInteger(kSection, WidthKey(i), kNone);
        m_stored[std::size_t(i)] = width != kNone;
        m_widths[std::size_t(i)] = width == kNone ? 0 : width;
    }
}

bool TSettings::Write(const QString& iniPath, QString* error) const
{
    // One save for all six keys: the whole file is rewritten each time, and it may be large.
    TIniFile32 ini(iniPath);
    ini.DeferSaves();
    ini.WriteBool(kSection, QByteArrayLiteral("bLog"), m_logging);
    for (int i = 0; i < ColumnCount; ++i)
        ini.WriteInteger(kSection, WidthKey(i), m_widths[std::size_t(i)]);
    const bool saved = ini.UpdateFile();
    if (error)
        *error = saved ? QString() : ini.ErrorString();
    return saved;
}
