#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Why the last LoadFromFile or SaveToFile returned what it did. The Boolean results stay the
// primary contract; this lets a caller tell "nothing to save" from a real failure.
enum class FileStatus
{
    Ok,
    NothingToSave, // empty file, empty result, or nothing loaded: the file was left alone
    Missing,       // the file does not exist
    NotWritable,   // exists but cannot be opened for writing (read-only, locked, no permission)
    ReadFailed,    // opened but could not be read whole
    WriteFailed,   // the new content could not be written or put in place; the original is intact
    OutOfMemory,
};

// Text for a FileStatus, for messages (English, short).
[[nodiscard]] const char* FileStatusText(FileStatus status);

// Holds one HTML document as bytes and shrinks it by a fixed table of passes chosen by eight
// switches. States: Empty (nothing held), Loaded (file bytes held), Compressed (result held).
// Never throws for file problems: they become a false result and a FileStatus.
class THTMLCompressor
{
public:
    THTMLCompressor();

    // The eight switches; construction values: all true except BlockquoteToUl.
    bool SimpleTags;
    bool Center;
    bool InvCommas;
    bool Spaces;
    bool Returns;
    bool AllReturns;
    bool Webbots;
    bool BlockquoteToUl;
    // Ninth: how strictly the passes keep the page. Off (the default): quotes, line breaks, spaces
    // between tags and tag names change only where a browser reads and shows the page the same.
    // On: the rules run exactly as first written, which also cuts attribute values at their
    // spaces, joins words across line breaks and can leave an italic or bold element open to the
    // end of the page.
    bool Literal;

    // Reads the whole file. Fails (false, state Empty) when the file is missing, cannot be opened
    // for writing as well as reading, or cannot be read. An empty file loads (true, state Empty).
    [[nodiscard]] bool LoadFromFile(const std::string& fileName);

    // Runs the enabled passes once over the loaded document; does nothing in Empty or Compressed.
    virtual void Compress();

    // Replaces the file with the compressed document: written to a temporary file in the same
    // folder, flushed, then renamed over the original (permission bits kept; a symbolic link is
    // followed and stays a link). False, file untouched, when there is nothing to save (no
    // compressed result, or an empty one) or when anything fails.
    [[nodiscard]] bool SaveToFile(const std::string& fileName);

    virtual ~THTMLCompressor() = default;

    // In-memory entry: take a document as bytes (state Loaded, or Empty when it is empty).
    void LoadFromBytes(std::string_view bytes);
    void LoadFromBytes(std::string&& bytes);

    // The document held: the loaded bytes, or after Compress the result.
    [[nodiscard]] std::string_view Text() const { return m_document; }
    [[nodiscard]] std::size_t LoadedLength() const { return m_loadedLength; }
    [[nodiscard]] std::size_t ResultLength() const { return m_resultLength; }
    [[nodiscard]] bool IsCompressed() const { return m_compressed; }
    [[nodiscard]] FileStatus LastStatus() const { return m_status; }

    // Hands the document block over (state Empty), so a caller can reuse its memory.
    [[nodiscard]] std::string TakeText();

    // Convenience: load bytes, compress with this object's switches, return the result.
    [[nodiscard]] std::string CompressBytes(std::string_view bytes);

private:
    void Clear();

    std::string m_document; // one block, edited in place; holds the result after Compress
    std::size_t m_loadedLength = 0;
    std::size_t m_resultLength = 0;
    bool m_compressed = false;
    FileStatus m_status = FileStatus::Ok;
};
