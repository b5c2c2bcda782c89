#pragma once

#include "FileStatus.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Holds one HTML document as bytes and shrinks it by a fixed table of passes chosen by eight
// switches. States: Empty (nothing held), Loaded (file bytes held), Compressed (result held).
// Never throws for file problems: loads and saves return how they ended as a FileStatus.
namespace filestore {
class PageFile;
class PageBatch;
struct StagedPage;
}
struct TWorkingDocument;

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
    // Tenth, off by default and ignored with Literal: also drop what a browser provably ignores
    // (comments, white space in the head and beside blocks, implied end tags, default types;
    // see BestPass.h), for the smallest page that shows and means the same.
    bool Best;

    // Takes over every switch of another compressor (one per thread of a run, switched alike).
    void CopySwitchesFrom(const THTMLCompressor& other);

    // Reads the whole file and keeps it open for the save. Fails (state Empty) when the file is
    // missing, cannot be opened for writing as well as reading, cannot be read, is not a regular
    // file, is another user's symbolic link, or holds UTF-16 or UTF-32 text. An empty file loads
    // (Ok, state Empty).
    [[nodiscard]] FileStatus LoadFromFile(const std::string& fileName);

    // Runs the enabled passes once over the loaded document; does nothing in Empty or Compressed.
    virtual void Compress();

    // Replaces the file last loaded (fileName must be its name) with the compressed document,
    // keeping its mode, owner, group, ACLs, extended attributes and hard links; a symbolic link
    // stays a link. Written to a temporary file in the same folder, flushed, then renamed over
    // the original, or rewritten in place behind a recovery copy where a new file could not
    // carry the identity. Ok when written; otherwise the file is untouched: NothingToSave when
    // there is no compressed result, an empty one or another name, Changed when the file changed
    // since it was read, or what else failed.
    [[nodiscard]] FileStatus SaveToFile(const std::string& fileName);

    // The same save, made together with other pages: the new content is written beside the file
    // now, and the batch makes it durable and puts it in place at its next Flush, which gives the
    // page's result. The file and the result go to the batch (state Empty). Ok when staged;
    // NothingToSave, or why the page failed already, otherwise.
    [[nodiscard]] FileStatus SaveToFile(const std::string& fileName, filestore::PageBatch& batch);
    // The first half of that save, apart from any batch: the new content is written beside the
    // file and `staged` carries the page to PageBatch::Add, on whichever thread owns the batch.
    [[nodiscard]] FileStatus StageSave(const std::string& fileName, filestore::StagedPage& staged);

    // Lets go of the file last loaded and of its folder (the result stays held).
    void CloseFile();

    virtual ~THTMLCompressor();

    // In-memory entry: take a document as bytes (state Loaded, or Empty when it is empty).
    void LoadFromBytes(std::string_view bytes);
    void LoadFromBytes(std::string&& bytes);

    // The document held: the loaded bytes, or after Compress the result.
    [[nodiscard]] std::string_view Text() const { return m_document; }
    [[nodiscard]] std::size_t LoadedLength() const { return m_loadedLength; }
    [[nodiscard]] std::size_t ResultLength() const { return m_resultLength; }
    [[nodiscard]] bool IsCompressed() const { return m_compressed; }
    // Where the page's earlier bytes are when the last load found it Damaged by an interrupted run,
    // or the last single save found it Changed while rewriting it in place; empty otherwise.
    [[nodiscard]] const std::string& LastRecoveryCopy() const { return m_recoveryCopy; }

    // Hands the document block over (state Empty), so a caller can reuse its memory.
    [[nodiscard]] std::string TakeText();

    // Convenience: load bytes, compress with this object's switches, return the result.
    [[nodiscard]] std::string CompressBytes(std::string_view bytes);

private:
    void Clear();
    // The line-break and space rows in one scan where that gives the same; false otherwise.
    bool SpacingInOneScan(TWorkingDocument& doc);
    // A compressed, non-empty result of this very file that differs from it.
    [[nodiscard]] bool HasResultFor(const std::string& fileName) const;

    std::unique_ptr<filestore::PageFile> m_page; // the file loaded, open until the next load
    std::string m_document; // one block, edited in place; holds the result after Compress
    std::size_t m_loadedLength = 0;
    std::size_t m_resultLength = 0;
    bool m_compressed = false;
    std::string m_recoveryCopy;
    std::string m_scratch; // the one-scan rows write here, then it trades places with m_document
};
