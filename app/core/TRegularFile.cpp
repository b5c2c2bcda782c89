#include "TRegularFile.h"

#include "engine/SafeOpen.h"
#include "engine/HTMLCompressor.h"
#include "TReasonText.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#endif

TRegularFile::Result TRegularFile::Open(QFile& file, const QString& path, QIODevice::OpenMode mode,
                                        QString& error)
{
#ifdef Q_OS_WIN
    file.setFileName(path);
    if (!(mode & QIODevice::WriteOnly) && !file.exists())
        return Missing;
    if (!file.open(mode)) {
        error = file.errorString();
        return Refused;
    }
    return Opened;
#else
    const bool writing = mode & QIODevice::WriteOnly;
    const filestore::OpenResult opened = filestore::OpenRegular(
        QFile::encodeName(path).toStdString(), writing ? O_WRONLY | O_APPEND | O_CREAT : O_RDONLY);
    const FileStatus status = opened.status;
    if (opened.fd < 0) {
        if (!writing && status == FileStatus::Missing)
            return Missing;
        const bool ours = status == FileStatus::Changed || status == FileStatus::ForeignLink ||
                          status == FileStatus::NotRegular || opened.error == 0;
        error = ours ? TReasonText::Of(status) : TReasonText::OfSystemError(opened.error);
        return Refused;
    }
    if (!file.open(opened.fd, mode, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        return Refused;
    }
    return Opened;
#endif
}
