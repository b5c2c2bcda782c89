#include "BlockTags.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace blocktags {

namespace {

// A name of up to 8 bytes packed into one number; the two longer names are compared whole.
constexpr std::size_t kPacked = 8;

constexpr std::uint64_t Pack(std::string_view name)
{
    std::uint64_t key = 0;
    for (std::size_t k = 0; k < name.size(); ++k)
        key |= std::uint64_t(static_cast<unsigned char>(name[k])) << (8 * k);
    return key;
}

constexpr std::size_t kSlots = 256;

constexpr std::size_t Slot(std::uint64_t key)
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 56);
}

// Open addressing: a name is looked for from its slot on until it or an empty slot is met. Each
// slot holds the packed name and its index in kBlockTagNames.
struct Slots
{
    std::array<std::uint64_t, kSlots> key{};
    std::array<std::uint8_t, kSlots> index{};
};

constexpr Slots MakeTable()
{
    Slots table;
    for (std::size_t k = 0; k < std::size(kBlockTagNames); ++k) {
        const std::string_view name = kBlockTagNames[k];
        if (name.size() > kPacked)
            continue;
        std::size_t s = Slot(Pack(name));
        while (table.key[s] != 0)
            s = (s + 1) % kSlots;
        table.key[s] = Pack(name);
        table.index[s] = static_cast<std::uint8_t>(k);
    }
    return table;
}

constexpr Slots kTable = MakeTable();
constexpr int kBlockquote = BlockNameIndex("blockquote");
constexpr int kFigcaption = BlockNameIndex("figcaption");

// Name bytes (ASCII letters and digits) folded to lower case; 0 for every other byte.
constexpr std::array<unsigned char, 256> MakeNameBytes()
{
    std::array<unsigned char, 256> bytes{};
    for (int b = '0'; b <= '9'; ++b)
        bytes[b] = static_cast<unsigned char>(b);
    for (int b = 'a'; b <= 'z'; ++b)
        bytes[b] = bytes[b - 32] = static_cast<unsigned char>(b);
    return bytes;
}

constexpr std::array<unsigned char, 256> kNameBytes = MakeNameBytes();

} // namespace

int BlockTagIndex(const char* lt, std::size_t avail) noexcept
{
    if (avail < 2 || lt[0] != '<')
        return -1;
    std::size_t k = lt[1] == '/' ? 2 : 1;
    const std::size_t start = k;
    std::uint64_t key = 0;
    for (; k < avail; ++k) {
        const unsigned char b = kNameBytes[static_cast<unsigned char>(lt[k])];
        if (b == 0)
            break;
        if (k - start == kPacked)
            break; // longer: read below
        key |= std::uint64_t(b) << (8 * (k - start));
    }
    if (k - start == kPacked && k < avail && kNameBytes[static_cast<unsigned char>(lt[k])] != 0) {
        // Only "blockquote" and "figcaption" are longer than eight bytes.
        char name[10];
        std::size_t n = 0;
        for (k = start; k < avail && n < 10 && kNameBytes[static_cast<unsigned char>(lt[k])] != 0; ++k)
            name[n++] = static_cast<char>(kNameBytes[static_cast<unsigned char>(lt[k])]);
        if (n != 10 || (k < avail && kNameBytes[static_cast<unsigned char>(lt[k])] != 0))
            return -1;
        const std::string_view longName(name, n);
        return longName == "blockquote" ? kBlockquote : longName == "figcaption" ? kFigcaption : -1;
    }
    if (key == 0)
        return -1;
    for (std::size_t s = Slot(key);; s = (s + 1) % kSlots) {
        if (kTable.key[s] == key)
            return kTable.index[s];
        if (kTable.key[s] == 0)
            return -1;
    }
}

} // namespace blocktags
