#include "LogViewer.h"

#include "app/core/TLogFile.h"
#include "widgets/XP_Balloon.h"
#include "widgets/XP_Button.h"

#include <QPlainTextEdit>
#include <QShowEvent>

LogViewer::LogViewer(const QString& logPath, QWidget* parent) : TDialogBase(parent), m_logPath(logPath)
{
    setWindowTitle(QStringLiteral("日志文件"));
    setFixedSize(488, 291);
    new TXP_Balloon(this);
    m_logText = new QPlainTextEdit(this);
    m_logText->setObjectName(QStringLiteral("logText"));
    m_logText->setGeometry(16, 24, 457, 193);
    m_logText->setReadOnly(true);
    m_logText->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_logText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_logText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TXP_Button* clearButton =
        addButton(QStringLiteral("全部清除"), {288, 232, 81, 25}, QStringLiteral("clearButton"));
    TXP_Button* closeButton =
        addButton(QStringLiteral("关闭"), {384, 232, 81, 25}, QStringLiteral("closeButton"));
    connect(closeButton, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(clearButton, &QAbstractButton::clicked, this, &LogViewer::clearLog);
}

void LogViewer::showEvent(QShowEvent* event)
{
    TDialogBase::showEvent(event);
    if (!event->spontaneous())
        loadLog();
}

void LogViewer::loadLog()
{
    // One setPlainText instead of a line at a time: a log of years stays quick to open.
    m_logText->setPlainText(TLogFile::ReadLines(m_logPath).join(QLatin1Char('\n')));
}

void LogViewer::clearLog()
{
    m_logText->clear();
    TLogFile::Clear(m_logPath);
}
