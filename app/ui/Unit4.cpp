#include "Unit4.h"

#include "TLogFile.h"

#include <QPlainTextEdit>
#include <QShowEvent>

TForm4::TForm4(const QString& logPath, QWidget* parent) : TDialogBase(parent), m_logPath(logPath)
{
    setWindowTitle(QStringLiteral("日志文件"));
    setFixedSize(488, 291);
    XP_Balloon1 = new TXP_Balloon(this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(16, 24, 457, 193);
    Memo1->setReadOnly(true);
    Memo1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    XP_Button2 = new TXP_Button(this);
    XP_Button2->setCaption(QStringLiteral("全部清除"));
    XP_Button2->setGeometry(288, 232, 81, 25);
    XP_Button1 = new TXP_Button(this);
    XP_Button1->setCaption(QStringLiteral("关闭"));
    XP_Button1->setGeometry(384, 232, 81, 25);
    connect(XP_Button1, &QAbstractButton::clicked, this, &TForm4::XP_Button1Click);
    connect(XP_Button2, &QAbstractButton::clicked, this, &TForm4::XP_Button2Click);
}

void TForm4::showEvent(QShowEvent* event)
{
    TDialogBase::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm4::FormShow()
{
    // One setPlainText instead of a line at a time: a log of years stays quick to open.
    Memo1->setPlainText(TLogFile::ReadLines(m_logPath).join(QLatin1Char('\n')));
}

void TForm4::XP_Button1Click()
{
    accept();
}

void TForm4::XP_Button2Click()
{
    Memo1->clear();
    TLogFile::Clear(m_logPath);
}
