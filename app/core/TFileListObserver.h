#pragma once

// Told about every change of a TFileList, in the order a QAbstractItemModel must announce it:
// each "About" call comes before the change, its partner right after. The window's table model
// forwards them to beginInsertRows/endInsertRows, beginRemoveRows/endRemoveRows,
// beginResetModel/endResetModel and dataChanged. All calls are made on the caller's thread.
class TFileListObserver
{
public:
    virtual ~TFileListObserver() = default;

    // Rows first..last are appended at the end (a batch: one folder of a walk, or one file).
    virtual void RowsAboutToBeInserted(int first, int last) { (void)first, (void)last; }
    virtual void RowsInserted() {}

    // Rows first..last, one contiguous range, are removed.
    virtual void RowsAboutToBeRemoved(int first, int last) { (void)first, (void)last; }
    virtual void RowsRemoved() {}

    // The list changed wholesale (cleared, or scattered rows removed in one pass).
    virtual void AboutToReset() {}
    virtual void Reset() {}

    // The state, status text or compressed size of one row changed.
    virtual void RowChanged(int row) { (void)row; }
};
