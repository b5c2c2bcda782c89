#include "HTMLCompressor.h"

#include "BestPass.h"
#include "FileStore.h"
#include "PageBatch.h"
#include "Passes.h"
#include "SafeOpen.h"
#include "SpacingPass.h"
#include "WideText.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr TReplaceRule kSimpleTagRules[] = {
    {"<strong>", "<b>"}, {"</strong>", "</b>"}, {"<em>", "<i>"}, {"</em>", "</i>"}, {"<strike>", "<s>"}, {"</strike>", "</s>"},
};

constexpr TReplaceRule kBlockquoteRules[] = {
    {"<blockquote>", "<ul>"},
    {"</blockquote>", "</ul>"},
};

constexpr TRenamePair kRenamePairs[] = {
    {"<strong", "</strong>", "<b>", "</b>"},
    {"<em", "</em>", "<i>", "</i>"},
    {"<strike", "</strike>", "<s>", "</s>"},
    {"<blockquote", "</blockquote>", "<ul>", "</ul>"},
};

} // namespace

THTMLCompressor::THTMLCompressor()
    : SimpleTags(true), Center(true), InvCommas(true), Spaces(true), Returns(true), AllReturns(true),
      Webbots(true), BlockquoteToUl(false), Literal(false), Best(false)
{
}

THTMLCompressor::~THTMLCompressor() = default;

void THTMLCompressor::CopySwitchesFrom(const THTMLCompressor& other)
{
    SimpleTags = other.SimpleTags;
    Center = other.Center;
    InvCommas = other.InvCommas;
    Spaces = other.Spaces;
    Returns = other.Returns;
    AllReturns = other.AllReturns;
    Webbots = other.Webbots;
    BlockquoteToUl = other.BlockquoteToUl;
    Literal = other.Literal;
    Best = other.Best;
}

void THTMLCompressor::CloseFile()
{
    m_page.reset();
    filestore::ForgetFolder();
}

void THTMLCompressor::Clear()
{
    m_page.reset();
    m_document.clear();
    m_document.shrink_to_fit();
    m_loadedLength = 0;
    m_resultLength = 0;
    m_compressed = false;
}

FileStatus THTMLCompressor::LoadFromFile(const std::string& fileName)
{
    Clear();
    auto page = std::make_unique<filestore::PageFile>();
    FileStatus status = page->Open(fileName, m_document);
    m_recoveryCopy = page->RecoveryCopyPath();
    if (status == FileStatus::Ok && IsWideText(m_document))
        status = FileStatus::UnsupportedEncoding;
    if (status != FileStatus::Ok) {
        Clear(); // never keep a partial or earlier document that could be saved over this file
        return status;
    }
    m_page = std::move(page);
    m_loadedLength = m_document.size();
    return FileStatus::Ok;
}

void THTMLCompressor::LoadFromBytes(std::string_view bytes)
{
    LoadFromBytes(std::string(bytes));
}

void THTMLCompressor::LoadFromBytes(std::string&& bytes)
{
    Clear();
    m_document = std::move(bytes);
    m_loadedLength = m_document.size();
}

void THTMLCompressor::Compress()
{
    if (m_loadedLength == 0 || m_compressed)
        return;

    // The document is edited in its own block; every pass only shortens it.
    TWorkingDocument doc{m_document.data(), m_document.size()};
    const bool blockAware = !Literal;
    const bool best = Best && !Literal;
    if (best) {
        // Reads every tag, so it also settles the quotes and all the white space the rows would.
        BestPass(doc, InvCommas, Center);
    } else {
        if (InvCommas)
            QuoteRemovalPass(doc, Literal);
        if (!AllReturns || Literal || !SpacingInOneScan(doc))
            SpacingRows(doc, AllReturns, Returns, Spaces, Webbots, blockAware);
    }
    bool centreDone = false;
    if (Literal) {
        if (SimpleTags)
            ReplacePass(doc, kSimpleTagRules, false, true, Webbots, false);
        if (BlockquoteToUl)
            ReplacePass(doc, kBlockquoteRules, false, true, Webbots, false);
    } else if (SimpleTags || BlockquoteToUl) {
        // Renamed only where the closing tag goes with its opening, so no element is left open.
        const std::span<const TRenamePair> all(kRenamePairs);
        const bool centre = Center && !BlockquoteToUl && !best;
        RenamePass(doc, SimpleTags ? (BlockquoteToUl ? all : all.first(3)) : all.last(1), centre);
        centreDone = centre;
    }
    if (Center && !centreDone && !best) {
        PairReplacePass(doc, "<p align=center>", "<center>", "</p>", "</center>");
        PairReplacePass(doc, "<p align=\"center\">", "<center>", "</p>", "</center>");
    }

    m_document.resize(doc.length);
    m_resultLength = doc.length;
    m_compressed = true;
}

bool THTMLCompressor::SpacingInOneScan(TWorkingDocument& doc)
{
    try {
        if (m_scratch.size() < doc.length)
            m_scratch.resize(doc.length);
    } catch (const std::bad_alloc&) {
        return false; // the rows one by one need no second block
    }
    std::size_t length = 0;
    const SpacingResult result =
        SpacingPass(doc.data, doc.length, m_scratch.data(), length, Spaces, Webbots, doc.noGtTail);
    if (result != SpacingResult::Written)
        return result == SpacingResult::Unchanged;
    if (m_scratch.capacity() / 2 > doc.length) {
        // The block leaves with the result (to a caller or a batch): one much larger than this
        // page stays here, and the result is copied back instead.
        std::memcpy(doc.data, m_scratch.data(), length);
    } else {
        // The result stays where it was written; the old block serves the next page.
        m_document.swap(m_scratch);
        doc.data = m_document.data();
    }
    doc.length = length;
    doc.unclosedBy = {};
    return true;
}

bool THTMLCompressor::HasResultFor(const std::string& fileName) const
{
    // Every pass only ever shortens the document, so a result as long as the page is the page:
    // writing it would only give the file a new date.
    return m_compressed && m_resultLength > 0 && m_resultLength != m_loadedLength && m_page &&
           m_page->Path() == fileName;
}

FileStatus THTMLCompressor::SaveToFile(const std::string& fileName)
{
    m_recoveryCopy.clear();
    if (!HasResultFor(fileName))
        return FileStatus::NothingToSave;
    const FileStatus status = m_page->Save(m_document.data(), m_resultLength);
    m_recoveryCopy = m_page->RecoveryCopyPath();
    return status;
}

FileStatus THTMLCompressor::SaveToFile(const std::string& fileName, filestore::PageBatch& batch)
{
    filestore::StagedPage staged;
    const FileStatus status = StageSave(fileName, staged);
    if (status == FileStatus::Ok)
        batch.Add(std::move(staged));
    return status;
}

FileStatus THTMLCompressor::StageSave(const std::string& fileName, filestore::StagedPage& staged)
{
    m_recoveryCopy.clear();
    if (!HasResultFor(fileName))
        return FileStatus::NothingToSave;
    const FileStatus status = filestore::PageBatch::Stage(std::move(m_page), std::move(m_document), staged);
    Clear();
    return status;
}

std::string THTMLCompressor::TakeText()
{
    std::string text = std::move(m_document);
    Clear();
    return text;
}

std::string THTMLCompressor::CompressBytes(std::string_view bytes)
{
    LoadFromBytes(bytes);
    Compress();
    return m_document;
}
