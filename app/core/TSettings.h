#pragma once

#include <QString>
#include <array>

// The window's settings in option.ini, section "option": the logging switch ("bLog", default
// on) and the widths of the five list columns ("lvwidth0" to "lvwidth4", default 0).
// Read once at start, written once at close.
class TSettings
{
public:
    static constexpr int ColumnCount = 5;

    // Loads from the file; missing file or values give the defaults.
    void Read(const QString& iniPath);
    // Writes the six keys in one save, keeping every other line of the file. Returns false when
    // the file could not be saved (the file is then left as it was), with the reason in error;
    // never throws.
    bool Write(const QString& iniPath, QString* error = nullptr) const;

    [[nodiscard]] bool Logging() const { return m_logging; }
    void setLogging(bool on) { m_logging = on; }
    [[nodiscard]] int ColumnWidth(int column) const { return m_widths[std::size_t(column)]; }
    void setColumnWidth(int column, int width) { m_widths[std::size_t(column)] = width; }
    // Whether the last Read found a width for the column (a first start finds none, and the
    // window then keeps its designed widths rather than a width of 0).
    [[nodiscard]] bool ColumnWidthStored(int column) const { return m_stored[std::size_t(column)]; }

private:
    bool m_logging = true;
    std::array<int, ColumnCount> m_widths{};
    std::array<bool, ColumnCount> m_stored{};
};
