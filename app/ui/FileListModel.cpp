#include "FileListModel.h"

#include "app/core/TFileList.h"
#include "app/core/TReasonText.h"

#include <QColor>
#include <QThread>

namespace {

const QColor kEvenRow(0xFF, 0xFF, 0xFF);
const QColor kOddRow(0xF8, 0xF6, 0xE6);

} // namespace

const std::array<TFileListModel::Column, 5> TFileListModel::Columns{{
    {"文件名称", 60, 20, Qt::AlignLeft | Qt::AlignVCenter},
    {"路径", 150, 20, Qt::AlignLeft | Qt::AlignVCenter},
    {"缩减的大小", 85, 0, Qt::AlignRight | Qt::AlignVCenter},
    {"大小", 55, 20, Qt::AlignRight | Qt::AlignVCenter},
    {"状态", 60, 20, Qt::AlignLeft | Qt::AlignVCenter},
}};

TFileListModel::TFileListModel(TFileList& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
    m_list.SetObserver(this);
}

TFileListModel::~TFileListModel()
{
    m_list.SetObserver(nullptr);
}

int TFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.Count();
}

int TFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(Columns.size());
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.Count())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        const TFileEntry entry = m_list.Snapshot(index.row());
        switch (index.column()) {
        case 0:
            return entry.DisplayName();
        case 1:
            return entry.DisplayDirectory();
        case 2:
            return TFileList::ColumnSizeText(entry.compressedSize);
        case 3:
            return TFileList::ColumnSizeText(entry.uncompressedSize);
        case 4:
            return entry.StatusText();
        }
        return {};
    }
    case Qt::ToolTipRole: {
        // A failed row says why where it says "失败".
        const TFileEntry entry = m_list.Snapshot(index.row());
        if (index.column() == 4 && entry.failed)
            return TReasonText::Of(entry.failure);
        return {};
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Columns[std::size_t(index.column())].alignment);
    case Qt::BackgroundRole:
        return index.row() % 2 == 0 ? kEvenRow : kOddRow;
    }
    return {};
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(Columns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(Columns[std::size_t(section)].caption);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Columns[std::size_t(section)].alignment);
    return {};
}

void TFileListModel::RowsAboutToBeInserted(int first, int last)
{
    beginInsertRows({}, first, last);
}

void TFileListModel::RowsInserted()
{
    endInsertRows();
}

void TFileListModel::RowsAboutToBeRemoved(int first, int last)
{
    beginRemoveRows({}, first, last);
}

void TFileListModel::RowsRemoved()
{
    endRemoveRows();
}

void TFileListModel::AboutToReset()
{
    beginResetModel();
}

void TFileListModel::Reset()
{
    endResetModel();
}

void TFileListModel::RowChanged(int row)
{
    // A run on a worker thread marks rows; the views hear of it on their own thread.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, row] { RowChanged(row); }, Qt::QueuedConnection);
        return;
    }
    if (row < m_list.Count())
        emit dataChanged(index(row, 2), index(row, 4), {Qt::DisplayRole, Qt::ToolTipRole});
}
