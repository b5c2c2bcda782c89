#include "TSettings.h"

#include "TIniFile32.h"

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
    for (int i = 0; i < ColumnCount; ++i)
        m_widths[std::size_t(i)] = ini.ReadInteger(kSection, WidthKey(i), 0);
}

bool TSettings::Write(const QString& iniPath) const
{
    TIniFile32 ini(iniPath);
    bool saved = ini.WriteBool(kSection, QByteArrayLiteral("bLog"), m_logging);
    for (int i = 0; i < ColumnCount; ++i)
        saved = ini.WriteInteger(kSection, WidthKey(i), m_widths[std::size_t(i)]) && saved;
    return saved;
}
