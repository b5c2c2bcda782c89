#include "TOutputPlan.h"

#include "TNameText.h"
#include "TTreeWalk.h"

#include <QHash>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sys/stat.h>
#include <thread>

namespace {

QString Shown(const QByteArray& path)
{
    return QString::fromLocal8Bit(TNameText::Escaped(path));
}

// The path with every link resolved; empty when it cannot be.
QByteArray RealPath(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    const QByteArray result = real ? QByteArray(real) : QByteArray();
    std::free(real);
    return result;
}

// Whether `inner` is `outer` or lies below it (both resolved).
bool Within(const QByteArray& inner, const QByteArray& outer)
{
    if (inner == outer || outer == "/")
        return true;
    return inner.startsWith(outer) && inner.at(outer.size()) == '/';
}

QByteArray LastName(const QByteArray& path)
{
    QByteArray trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf('/') + 1);
}

} // namespace

QByteArray TOutputPlan::OutputPath(QByteArrayView relative) const
{
    return relative.isEmpty() ? m_output : TTreeWalk::PathBelow(m_output, relative);
}

bool TOutputPlan::CheckOutputFolder(QString& error)
{
    struct stat info;
    if (::stat(m_output.constData(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) {
            error = QStringLiteral("the output folder %1 is not a folder").arg(Shown(m_output));
            return false;
        }
        m_outputKey = {info.st_dev, info.st_ino};
        m_outputReal = RealPath(m_output);
        return !m_outputReal.isEmpty() || (error = QStringLiteral("cannot resolve %1").arg(Shown(m_output)), false);
    }
    // To be made: the nearest part that exists must be a folder, not a file on the way.
    QByteArray existing = m_output;
    QByteArray rest;
    while (::stat(existing.constData(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            error = QStringLiteral("cannot make the output folder %1: %2")
                        .arg(Shown(m_output), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        const qsizetype cut = existing.lastIndexOf('/');
        rest = existing.mid(cut) + rest;
        existing = cut > 0 ? existing.left(cut) : QByteArray("/");
    }
    if (!S_ISDIR(info.st_mode)) {
        error = QStringLiteral("cannot make the output folder %1: %2 is not a folder")
                    .arg(Shown(m_output), Shown(existing));
        return false;
    }
    const QByteArray real = RealPath(existing);
    m_outputReal = real == "/" ? rest : real + rest;
    return true;
}

bool TOutputPlan::CheckSource(const QByteArray& path, bool folder, QString& error) const
{
    const QByteArray real = RealPath(path);
    if (folder) {
        if (real == m_outputReal) {
            error = QStringLiteral("the output folder %1 is the source folder %2").arg(Shown(m_output), Shown(path));
            return false;
        }
        if (Within(real, m_outputReal)) {
            error = QStringLiteral("the output folder %1 holds the source folder %2").arg(Shown(m_output), Shown(path));
            return false;
        }
        return true;
    }
    const QByteArray output = OutputPath(LastName(path));
    struct stat source;
    struct stat there;
    if (::stat(path.constData(), &source) == 0 && ::stat(output.constData(), &there) == 0 &&
        source.st_dev == there.st_dev && source.st_ino == there.st_ino) {
        error = QStringLiteral("the output %1 would replace its source %2").arg(Shown(output), Shown(path));
        return false;
    }
    return true;
}

bool TOutputPlan::CheckCollisions(QString& error) const
{
    QHash<QByteArrayView, const TTreeItem*> taken;
    taken.reserve(qsizetype(m_items.size()));
    for (const TTreeItem& item : m_items) {
        const auto it = taken.constFind(item.Relative());
        if (it == taken.cend()) {
            taken.insert(item.Relative(), &item);
            continue;
        }
        if (item.kind == TTreeItem::Folder && (*it)->kind == TTreeItem::Folder)
            continue; // two folders mirrored into one
        error = QStringLiteral("%1 and %2 would both be written to %3")
                    .arg(Shown((*it)->source), Shown(item.source), Shown(OutputPath(item.Relative())));
        return false;
    }
    return true;
}

bool TOutputPlan::Build(const QByteArray& outputFolder, const QList<QByteArray>& paths, QString& error)
{
    m_items.clear();
    m_problems.clear();
    int folderError = 0;
    m_output = TFileList::NormalizedDirectory(outputFolder, &folderError);
    if (m_output.isEmpty()) {
        error = QStringLiteral("cannot resolve %1 (%2)")
                    .arg(Shown(outputFolder), QString::fromLocal8Bit(std::strerror(folderError)));
        return false;
    }
    if (!CheckOutputFolder(error))
        return false;
    for (const QByteArray& path : paths) {
        if (!CheckSource(path, TFileList::KindOf(path) == TFileList::PathKind::Folder, error))
            return false;
    }

    // The output folder comes first; the first source folder mirrored into it lends it its mode.
    TTreeItem top;
    top.kind = TTreeItem::Folder;
    m_items.push_back(top);
    TTreeWalk walk(m_outputKey, m_jobs);
    walk.SetMirror(m_output);
    // The output folder's record is read while the sources are listed (the walk leaves time).
    std::jthread reading([this] { m_manifestReadable = m_manifest.Load(m_output); });
    for (const QByteArray& path : paths) {
        const QByteArray absolute = TFileList::NormalizedDirectory(path);
        if (TFileList::KindOf(path) == TFileList::PathKind::Folder) {
            // Walked straight into the plan (a large tree's items are many); the folder's own item
            // stands for the output folder when it is the first.
            std::optional<TTreeItem> own = walk.Walk(absolute, m_items);
            if (own && m_items.front().source.isEmpty())
                m_items.front() = std::move(*own);
            continue;
        }
        // A file named is a page whatever its name, as in place; a link named leads to it.
        struct stat info;
        if (::stat(absolute.constData(), &info) != 0)
            continue; // checked before; gone since, it is no longer there to write
        m_items.push_back(TTreeWalk::ItemOf(info, TTreeItem::Page, absolute, LastName(absolute).size()));
    }
    reading.join();
    m_problems = walk.TakeProblems();
    for (const TTreeItem& item : m_items) {
        if (item.kind != TTreeItem::Folder) {
            ++m_fileCount;
            m_totalBytes += item.size;
        }
    }
    // One path alone cannot land two sources on one output: names in a folder differ.
    return paths.size() == 1 || CheckCollisions(error);
}
