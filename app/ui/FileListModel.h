#pragma once

#include "app/core/TFileListObserver.h"

#include <QAbstractTableModel>

#include <array>

class TFileList;

// The list view's rows: a read-only table over the core's file list, told of every change by
// the list itself, so adding a folder of thousands of files is one insertion.
class TFileListModel : public QAbstractTableModel, private TFileListObserver
{
    Q_OBJECT

public:
    struct Column
    {
        const char* caption; // UTF-8
        int width;           // initial width
        int minWidth;        // a narrower width is raised to this
        Qt::Alignment alignment;
    };
    static const std::array<Column, 5> Columns;

    explicit TFileListModel(TFileList& list, QObject* parent = nullptr);
    ~TFileListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted() override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved() override;
    void AboutToReset() override;
    void Reset() override;
    void RowChanged(int row) override;

    TFileList& m_list;
};
