#pragma once

#include "engine/HTMLCompressor.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// How one file of a run ended.
struct TFileOutcome
{
    enum Result
    {
        Compressed,    // rewritten with the shorter text
        NothingToSave, // empty file, or nothing to write back: left untouched, still "已完成"
        Failed,        // could not be loaded or saved: untouched, "失败", retried next run
        // Runs into an output folder only:
        Copied,   // not a page: copied byte for byte
        Linked,   // a symbolic link made again
        UpToDate, // the output was made from the source as it is, with the same options
        Skipped,  // a pipe, socket or device, or an output changed since it was made: left alone
        Removed,  // an output made earlier whose source is gone
    };

    Result result = Compressed;
    QByteArray path;        // full path, the system's bytes
    QByteArray output;      // where the result went in a run into an output folder; empty in place
    quint64 sizeBefore = 0; // as read for its turn
    quint64 sizeAfter = 0;  // the size of the new content, saved (or only computed, in a dry run)
    QString reason;         // why it failed, in the chosen language (TReasonText); empty otherwise
    FileStatus status = FileStatus::Ok; // the engine's word for it
    // Where the page's earlier bytes are: the recovery copy of an interrupted run that left it
    // damaged, or the bytes kept aside when it was edited while being rewritten in place.
    QByteArray recoveryCopy;
};

// What a compression run shows while it works. The window binds these to its progress panel,
// gauge and labels; the command line prints from them. Row texts are also kept in the list
// itself (TFileList tells its own observer), so a table model does not need RowStatus or
// RowCompressedSize. Calls come in this order: PanelShown, [LogUnavailable], [RecoveryNotice...],
// then batch after batch: RowStatus "压缩..." for each file of the batch, then per file in list order
// RowCompressedSize, RowStatus "已完成"/"失败", Gauge, FileFinished; [ResultLabels], PanelHidden,
// Gauge(0).
class TCompressRunObserver
{
public:
    virtual ~TCompressRunObserver() = default;

    // The progress panel appears (before anything else) and hides (after everything else).
    virtual void PanelShown() {}
    virtual void PanelHidden() {}

    // Column "状态" and column "缩减的大小" of a row.
    virtual void RowStatus(int row, const QString& text) { (void)row, (void)text; }
    virtual void RowCompressedSize(int row, const QString& text) { (void)row, (void)text; }

    // The gauge, 0 to 100.
    virtual void Gauge(int value) { (void)value; }

    // The texts after the three result captions: "文件总的大小:", "文件被缩减的大小:" and "缩减了".
    // Only sent when the run compressed something.
    virtual void ResultLabels(const QString& fileSize, const QString& compressedSize, const QString& percent)
    {
        (void)fileSize, (void)compressedSize, (void)percent;
    }

    // Logging was asked for but the log file cannot be created, opened or written; the run goes
    // on without it. Sent at most once per run.
    virtual void LogUnavailable(const QString& path, const QString& reason) { (void)path, (void)reason; }

    // What an interrupted run left that needs the user: `copy` is a recovery copy (or the file
    // its old bytes were kept aside in), `page` the page it belongs to (empty when unknown), `text`
    // what is the matter, in the chosen language. Sent before the first file.
    virtual void RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text)
    {
        (void)copy, (void)page, (void)text;
    }

    // One file is finished, whatever the result (command-line reports).
    virtual void FileFinished(int row, const TFileOutcome& outcome) { (void)row, (void)outcome; }
};
