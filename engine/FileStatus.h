#pragma once

// How a load or a save of a page ended. Every failure leaves the page as it was, except where
// the text says otherwise.
enum class FileStatus
{
    Ok,
    NothingToSave, // empty file, empty or unchanged result, or nothing loaded: the file was left alone
    Missing,       // the file does not exist
    NotWritable,   // exists but cannot be opened for writing (read-only, locked, no permission)
    ReadFailed,    // opened but could not be read whole
    WriteFailed,   // the new content could not be written or put in place; the original is intact
    OutOfMemory,
    Changed,             // edited, replaced or swapped since it was read: the new content is dropped
    ForeignLink,         // a symbolic link whose owner neither runs this nor owns the target
    NotRegular,          // a folder, pipe, device or socket
    UnsupportedEncoding, // UTF-16 or UTF-32 text: left as it is
    DiskFull,            // no space left (or the user's quota spent); the original is intact
    Damaged,             // an interrupted run left it half rewritten and it could not be put back
    SetIdNotKept,        // the rewrite would drop set-user-id or set-group-id bits it cannot restore
    IsSource,            // an output would take the place of its own source: nothing is written
};

// Text for a FileStatus, for messages (English, short). The one place reasons are worded.
[[nodiscard]] const char* FileStatusText(FileStatus status);
