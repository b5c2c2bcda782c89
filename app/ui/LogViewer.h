#pragma once

#include "DialogBase.h"

class QPlainTextEdit;

// The log viewer: shows log.txt each time it opens and can delete it.
class LogViewer : public TDialogBase
{
    Q_OBJECT

public:
    explicit LogViewer(const QString& logPath, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void loadLog();
    void clearLog();

    QString m_logPath;
    QPlainTextEdit* m_logText;
};
