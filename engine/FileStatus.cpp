#include "FileStatus.h"

const char* FileStatusText(FileStatus status)
{
    switch (status) {
    case FileStatus::Ok:
        return "ok";
    case FileStatus::NothingToSave:
        return "nothing to save";
    case FileStatus::Missing:
        return "file not found";
    case FileStatus::NotWritable:
        return "file is read-only or not writable";
    case FileStatus::ReadFailed:
        return "file could not be read";
    case FileStatus::WriteFailed:
        return "file could not be written";
    case FileStatus::OutOfMemory:
        return "out of memory";
    case FileStatus::Changed:
        return "changed during compression";
    case FileStatus::ForeignLink:
        return "symbolic link not followed: its owner does not own the target";
    case FileStatus::NotRegular:
        return "not a regular file";
    case FileStatus::UnsupportedEncoding:
        return "not supported: UTF-16 or UTF-32 text";
    case FileStatus::DiskFull:
        return "disk full";
    case FileStatus::Damaged:
        return "damaged by an interrupted run";
    case FileStatus::SetIdNotKept:
        return "the set-id bits could not be kept";
    case FileStatus::IsSource:
        return "the output would replace its own source";
    }
    return "unknown";
}
