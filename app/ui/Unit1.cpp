#include "Unit1.h"

#include "FileListModel.h"
#include "Fonts.h"
#include "ImageList.h"
#include "MenuToolBar.h"
#include "Program.h"
#include "Prompts.h"
#include "RunInputGuard.h"
#include "Shell.h"
#include "TBackgroundRun.h"
#include "TCompressRun.h"
#include "Unit3.h"
#include "Unit4.h"
#include "UnitAbout.h"
#include "XP_Form.h"
#include "XPMenu.h"
#include "XP_GroupBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>

namespace {

const QColor kFace(0xF8, 0xF6, 0xE6);
const QColor kLinkIdle(128, 128, 128);
const QColor kLinkHover(255, 0, 0);
// The gauge's fill: the active caption's gradient end of the classic Windows scheme.
const QColor kGaugeFill(0xA6, 0xCA, 0xF0);
const QString kZeroSize = QStringLiteral("0K (0 字节)");

// Form positions (left, top, width, height) inside Panel1.
constexpr QRect kListPlace{16, 80, 441, 193};
constexpr QRect kPackPlace{16, 280, 441, 105};
constexpr QRect kLinkPlace{19, 386, 180, 24};
constexpr QRect kPanelPlace{120, 128, 345, 137};
constexpr int kToolBar1Height = 23;
constexpr int kToolBar2Height = 50;

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void SetFace(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

TForm1::TForm1(TShell& shell, TPrompts& prompts, const QString& dataDir, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_prompts(prompts), m_dataDir(dataDir)
{
    XP_Form1 = new TXP_Form(this);
    m_background = new TBackgroundRun(*this, this);
    setFont(TFonts::SongTi(12));
    setAcceptDrops(true);
    Panel1 = new QWidget(this);
    SetFace(Panel1, kFace);
    XP_Form1->setClientPanel(Panel1);

    BuildMenus();
    BuildToolBars();
    BuildList();
    BuildPackMessage();
    Label1 = new QLabel(Panel1);
    Label1->setGeometry(kLinkPlace);
    Label1->setFont(TFonts::SongTi(16, true));
    Label1->setMouseTracking(true);
    Label1->installEventFilter(this);
    SetTextColour(Label1, kLinkIdle);
    BuildProgressPanel();

    setMinimumSize(575, 485);
    resize(600, 485);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FormCreate();

    // The flat look of the drop-down menus and both tool bars.
    XPMenu1 = new TXPMenu(this);
    XPMenu1->setFont(TFonts::SongTi(12));
    XPMenu1->setXPContainers(XPSet(xcForm, xcToolbar, xcCoolbar, xcControlbar, xcPanel));
    XPMenu1->setActive(true);

    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        // A session ending may quit without closing the window; the settings are kept anyway.
        if (!m_settingsWritten)
            FormClose();
    });
}

TForm1::~TForm1()
{
    // The model observes m_files, which dies before the children do: let it go first.
    LV->setModel(nullptr);
    delete m_model;
}

void TForm1::FormCreate()
{
    m_product = TProductInfo::Corvane();
    setWindowTitle(m_product.title);
    m_settings.Read(OptionFile());
    // A first start (no width stored yet) keeps the designed widths instead of collapsing every
    // column to its minimum and the reduced-size one to nothing; a stored width is the user's.
    for (int i = 0; i < TSettings::ColumnCount; ++i)
        SetColumnWidth(i, m_settings.ColumnWidthStored(i) ? m_settings.ColumnWidth(i)
                                                          : TFileListModel::Columns[std::size_t(i)].width);
}

void TForm1::AttachDialogs(TAbout* about, TForm3* form3, TForm4* form4)
{
    m_about = about;
    m_form3 = form3;
    m_form4 = form4;
}

QString TForm1::OptionFile() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("option.ini"));
}

QString TForm1::LogFile() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("log.txt"));
}

QSize TForm1::FormSize() const
{
    return size();
}

QAction* TForm1::MakeAction(const QString& caption, int image, void (TForm1::*handler)())
{
    static const TImageList menuImages(QStringLiteral(":/pictures/menu16.png"), 16);
    auto* action = new QAction(menuImages.Icon(image), caption, this);
    connect(action, &QAction::triggered, this, [this, handler] { RunCommand(handler); });
    return action;
}

void TForm1::RunCommand(void (TForm1::*handler)())
{
    // A command given while a run works is dropped, as it was when the run held the thread.
    if (Running())
        return;
    m_prompts.Guard(this, [&] { (this->*handler)(); });
}

bool TForm1::Running() const
{
    return m_background->IsRunning();
}

void TForm1::BuildMenus()
{
    Addfile1 = MakeAction(QStringLiteral("添加文件(&A)"), 5, &TForm1::Addfile1Click);
    Adddirectory1 = MakeAction(QStringLiteral("添加目录(&D)"), 7, &TForm1::Adddirectory1Click);
    Removefile1 = MakeAction(QStringLiteral("移除文件(&R)"), -1, &TForm1::Removefile1Click);
    Removeall1 = MakeAction(QStringLiteral("移除所有文件(&A)"), 6, &TForm1::Removeall1Click);
    Compress1 = MakeAction(QStringLiteral("压缩(&C)"), 3, &TForm1::Compress1Click);
    Exit1 = MakeAction(QStringLiteral("退出(&X)"), -1, &TForm1::Exit1Click);
    Selectall1 = MakeAction(QStringLiteral("全选(&A)"), -1, &TForm1::Selectall1Click);
    Invertselect1 = MakeAction(QStringLiteral("反选(&I)"), -1, &TForm1::Invertselect1Click);
    Preferences1 = MakeAction(QStringLiteral("参数选择(&P)..."), 4, &TForm1::Preferences1Click);
    Logfile1 = MakeAction(QStringLiteral("日志文件(&L)"), -1, &TForm1::Logfile1Click);
    Helpfile1 = MakeAction(QStringLiteral("内容(&C)"), 2, &TForm1::Helpfile1Click);
    HomePage1 = MakeAction(QStringLiteral("主页(&P)"), 1, &TForm1::HomePage1Click);
    Email1 = MakeAction(QStringLiteral("电子邮件(&E)"), 0, &TForm1::Email1Click);
    About1 = MakeAction(QStringLiteral("关于(&A)"), -1, &TForm1::About1Click);

    File1 = new QMenu(QStringLiteral("文件(&F)"), this);
    File1->addActions({Addfile1, Adddirectory1});
    File1->addSeparator();
    File1->addActions({Removefile1, Removeall1});
    File1->addSeparator();
    File1->addAction(Compress1);
    File1->addSeparator();
    File1->addAction(Exit1);
    Edit1 = new QMenu(QStringLiteral("编辑(&E)"), this);
    Edit1->addActions({Selectall1, Invertselect1});
    Options1 = new QMenu(QStringLiteral("选项(&O)"), this);
    Options1->addAction(Preferences1);
    Options1->addSeparator();
    Options1->addAction(Logfile1);
    Help1 = new QMenu(QStringLiteral("帮助(&H)"), this);
    Help1->addAction(Helpfile1);
    Help1->addSeparator();
    Help1->addActions({HomePage1, Email1});
    Help1->addSeparator();
    Help1->addAction(About1);
}

void TForm1::BuildToolBars()
{
    // The first tool bar is the menu bar: one button per top menu, dropping it down on a click
    // or on its Alt accelerator.
    ToolBar1 = new QToolBar(Panel1);
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QMenu* menu : {File1, Edit1, Options1, Help1}) {
        auto* button = new QToolButton(ToolBar1);
        button->setText(menu->title());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setAutoRaise(true);
        ToolBar1->addWidget(button);
    }
    new TMenuToolBar(ToolBar1);

    static const TImageList toolImages(QStringLiteral(":/pictures/toolbar32.png"), 32);
    ToolBar2 = new QToolBar(Panel1);
    ToolBar2->setMovable(false);
    ToolBar2->setIconSize(QSize(32, 32));
    ToolBar2->setProperty("Transparent", true);
    const auto separator = [this] {
        auto* gap = new QWidget(ToolBar2);
        gap->setFixedWidth(10);
        ToolBar2->addWidget(gap);
    };
    const auto button = [this](int image, const QString& hint, void (TForm1::*handler)()) {
        auto* action = new QAction(toolImages.Icon(image), hint, this);
        action->setToolTip(hint);
        connect(action, &QAction::triggered, this, [this, handler] { RunCommand(handler); });
        ToolBar2->addAction(action);
        ToolBar2->widgetForAction(action)->setFixedSize(39, 41);
        return action;
    };
    separator();
    ToolButton5 = button(0, QStringLiteral("添加文件"), &TForm1::ToolButton5Click);
    ToolButton6 = button(1, QStringLiteral("添加目录"), &TForm1::ToolButton6Click);
    ToolButton8 = button(3, QStringLiteral("压缩 Html 文件"), &TForm1::ToolButton8Click);
    ToolButton7 = button(2, QStringLiteral("移除所有文件"), &TForm1::ToolButton7Click);
    separator();
    ToolButton9 = button(4, QStringLiteral("参数选择"), &TForm1::ToolButton9Click);
    separator();
    ToolButton10 = button(5, QStringLiteral("主页"), &TForm1::ToolButton10Click);
    ToolButton11 = button(6, QStringLiteral("帮助"), &TForm1::ToolButton11Click);
}

void TForm1::BuildList()
{
    LV = new QTreeView(Panel1);
    LV->setGeometry(kListPlace);
    m_model = new TFileListModel(m_files, this);
    LV->setModel(m_model);
    LV->setRootIsDecorated(false);
    LV->setItemsExpandable(false);
    LV->setUniformRowHeights(true);
    LV->setAllColumnsShowFocus(true);
    LV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV->setSortingEnabled(false);
    QPalette palette = LV->palette();
    palette.setColor(QPalette::Base, kFace);
    LV->setPalette(palette);
    LV->installEventFilter(this);
    QHeaderView* header = LV->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int i = 0; i < int(TFileListModel::Columns.size()); ++i)
        header->resizeSection(i, TFileListModel::Columns[std::size_t(i)].width);
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (width < TFileListModel::Columns[std::size_t(column)].minWidth)
            SetColumnWidth(column, width);
    });
}

void TForm1::SetColumnWidth(int column, int width)
{
    LV->header()->resizeSection(column, std::max(width, TFileListModel::Columns[std::size_t(column)].minWidth));
}

void TForm1::BuildPackMessage()
{
    auto* group = new TXP_GroupBox(Panel1);
    group->setCaption(QStringLiteral("Html 文件的信息"));
    group->setGeometry(kPackPlace);
    group->setBorderColor(QColor(0xD0, 0xD0, 0xBF));
    group->setCaptionColor(QColor(0x02, 0x46, 0xCF));
    PackMessage = group;
    const auto row = [this](int top, const QString& caption, const QString& value) {
        auto* label = new QLabel(caption, PackMessage);
        label->move(16, top);
        auto* shows = new QLabel(value, PackMessage);
        shows->setGeometry(136, top, 280, label->sizeHint().height());
        return shows;
    };
    FileCountLabel = row(24, QStringLiteral("文件:"), QStringLiteral("0"));
    FileSizeLabel = row(44, QStringLiteral("文件总的大小:"), kZeroSize);
    Label4 = row(64, QStringLiteral("文件被缩减的大小:"), kZeroSize);
    Label5 = row(84, QStringLiteral("缩减了"), QStringLiteral("0%"));
}

void TForm1::BuildProgressPanel()
{
    CompressPanel = new QFrame(Panel1);
    CompressPanel->setGeometry(kPanelPlace);
    CompressPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SetFace(CompressPanel, kFace);
    Label8 = new QLabel(QStringLiteral("正在处理...."), CompressPanel);
    Label8->move(44, 38);
    p = new QProgressBar(CompressPanel);
    p->setGeometry(44, 60, 257, 25);
    p->setRange(0, 100);
    p->setValue(0);
    p->setAlignment(Qt::AlignCenter);
    p->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid black; background: white; color: black; }"
                                    "QProgressBar::chunk { background: %1; }")
                         .arg(kGaugeFill.name()));
    CompressPanel->hide();
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_prompts.Guard(this, [this] { FormShow(); });
}

void TForm1::FormShow()
{
    if (m_about)
        m_about->Fill(m_product);
    SetApplicationTitle(m_product.title);
    Label1->setText(m_product.company + QStringLiteral(" Software,Inc."));
    if (m_settings.Logging() && m_form3)
        m_form3->XP_CheckBox2->setChecked(true);
    Logfile1->setEnabled(m_settings.Logging());
    FormResize();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize()
{
    const QSize form = FormSize();
    const int W = form.width();
    const int H = form.height();
    ToolBar1->setGeometry(0, 0, Panel1->width(), kToolBar1Height);
    ToolBar2->setGeometry(0, kToolBar1Height, Panel1->width(), kToolBar2Height);

    const int listWidth = W - 2 * LV->x() - 5;
    Label1->move(Label1->x(), H - Label1->height() - 40);
    PackMessage->setGeometry(PackMessage->x(), Label1->y() - PackMessage->height() - 10, listWidth,
                             PackMessage->height());
    LV->setGeometry(LV->x(), LV->y(), listWidth, PackMessage->y() - LV->y() - 10);
    CompressPanel->move((W - CompressPanel->width()) / 2, (H - CompressPanel->height()) / 3);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (Running()) {
        // The run stops after the page in hand; the window closes once it has.
        m_closeAfterRun = true;
        m_background->RequestStop();
        event->ignore();
        return;
    }
    m_prompts.Guard(this, [this] { FormClose(); });
    event->accept();
}

void TForm1::FormClose()
{
    for (int i = 0; i < TSettings::ColumnCount; ++i)
        m_settings.setColumnWidth(i, LV->header()->sectionSize(i));
    QString reason;
    m_settingsWritten = true;
    if (!m_settings.Write(OptionFile(), &reason) && !m_settingsProblemShown) {
        // A preference the user changed must not vanish without a word.
        m_settingsProblemShown = true;
        m_prompts.ShowError(this, QStringLiteral("不能保存设置文件 %1\n%2").arg(QDir::toNativeSeparators(OptionFile()), reason));
    }
}

void TForm1::UpdateCountLabels()
{
    FileCountLabel->setText(m_files.CountText());
    FileSizeLabel->setText(m_files.TotalText());
}

void TForm1::ResetResultLabels()
{
    Label4->setText(kZeroSize);
    Label5->setText(QStringLiteral("0%"));
}

void TForm1::Addfile1Click()
{
    const std::optional<QStringList> files =
        m_prompts.OpenFiles(this, QStringLiteral("Html 文件 (*.htm *.html);;所有文件 (*)"));
    if (!files)
        return;
    for (const QString& file : *files)
        m_files.AddPath(file);
    UpdateCountLabels();
}

void TForm1::Adddirectory1Click()
{
    const std::optional<QString> folder =
        m_shell.BrowseForFolder(this, QStringLiteral("选择你想要添加的包含有 HTML 文件的目录:"));
    if (folder)
        m_files.FindFiles(*folder);
    UpdateCountLabels();
    ReportWalkProblems();
}

void TForm1::ReportWalkProblems()
{
    // A folder that could not be read is said, not silently left out.
    const std::vector<TWalkProblem> problems = m_files.TakeWalkProblems();
    if (problems.empty())
        return;
    QString text = QStringLiteral("不能读取以下文件夹:");
    for (const TWalkProblem& problem : problems)
        text += QStringLiteral("\n%1: %2")
                    .arg(QDir::toNativeSeparators(QFile::decodeName(problem.path)), problem.reason);
    m_prompts.ShowError(this, text);
}

void TForm1::Removefile1Click()
{
    // Straight from the selected ranges (whole rows here): asking row by row whether it is
    // selected costs seconds for half a million rows.
    QList<int> rows;
    for (const QItemSelectionRange& range : LV->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    m_files.RemoveRows(rows);
    UpdateCountLabels();
    if (m_files.IsEmpty())
        ResetResultLabels();
}

void TForm1::Removeall1Click()
{
    if (m_files.IsEmpty())
        return;
    if (!m_prompts.Confirm(this, QStringLiteral("你确定要删除所有文件吗?"), QStringLiteral("确认")))
        return;
    m_files.Clear();
    UpdateCountLabels();
    ResetResultLabels();
}

void TForm1::Selectall1Click()
{
    LV->selectAll();
}

void TForm1::Invertselect1Click()
{
    if (m_files.IsEmpty())
        return;
    // One range toggled at once, so inverting a hundred thousand rows is a single change.
    const QItemSelection all(m_model->index(0, 0), m_model->index(m_files.Count() - 1, m_model->columnCount() - 1));
    LV->selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void TForm1::Compress1Click()
{
    if (Running())
        return;
    TCompressRun run(m_files, HC, m_background->Relay());
    if (m_settings.Logging())
        run.SetLogFile(LogFile());
    if (m_runSetup)
        m_runSetup(run);
    m_logProblem.clear();
    m_failures.clear();
    m_recoveryNotes.clear();
    try {
        // The pages are compressed off this thread, so the window keeps painting its rows and
        // gauge and answers the desktop; Esc or closing it stops the run after the page in hand.
        const TRunInputGuard guard(this, XP_Form1, Panel1, [this] { m_background->RequestStop(); });
        m_background->Execute(run);
    } catch (...) {
        // Whatever went wrong, the panel must not stay over the list.
        PanelHidden();
        Gauge(0);
        throw;
    }
    if (m_closeAfterRun) {
        close();
        return;
    }
    if (!m_logProblem.isEmpty())
        m_prompts.ShowError(this, m_logProblem);
    if (!m_failures.empty())
        m_prompts.ShowError(this, FailureSummary());
    if (!m_recoveryNotes.isEmpty())
        m_prompts.ShowError(this, m_recoveryNotes.join(QLatin1Char('\n')));
}

QString TForm1::FailureSummary() const
{
    int failed = 0;
    QString reasons;
    for (const auto& [reason, count] : m_failures) {
        failed += count;
        reasons += QStringLiteral("\n%1: %2 个").arg(reason).arg(count);
    }
    return QStringLiteral("%1 个文件压缩失败:").arg(failed) + reasons;
}

void TForm1::PanelShown()
{
    CompressPanel->show();
    CompressPanel->raise();
}

void TForm1::PanelHidden()
{
    CompressPanel->hide();
}

void TForm1::RowStatus(int row, const QString& text)
{
    // The list follows the run down, so the rows being done stay in sight. A batch's results come
    // after all its rows were taken in hand; they must not pull the list back up.
    static const QString compressing = [] {
        TFileEntry entry;
        entry.state = TFileEntry::Compressing;
        return entry.StatusText();
    }();
    if (text == compressing)
        LV->scrollTo(m_model->index(row, 0));
}

void TForm1::Gauge(int value)
{
    p->setValue(value);
}

void TForm1::ResultLabels(const QString& fileSize, const QString& compressedSize, const QString& percent)
{
    FileSizeLabel->setText(fileSize);
    Label4->setText(compressedSize);
    Label5->setText(percent);
}

void TForm1::LogUnavailable(const QString& path, const QString& reason)
{
    m_logProblem = QStringLiteral("不能写入日志文件 %1\n%2").arg(QDir::toNativeSeparators(path), reason);
}

void TForm1::RecoveryNotice(const QByteArray& copy, const QByteArray& page, const QString& text)
{
    QString note = text + QLatin1Char(' ') + QDir::toNativeSeparators(QFile::decodeName(copy));
    if (!page.isEmpty())
        note += QStringLiteral(" (页面 %1)").arg(QDir::toNativeSeparators(QFile::decodeName(page)));
    m_recoveryNotes.append(note);
}

void TForm1::FileFinished(int, const TFileOutcome& outcome)
{
    if (outcome.result != TFileOutcome::Failed)
        return;
    if (!outcome.recoveryCopy.isEmpty()) {
        m_recoveryNotes.append(QStringLiteral("%1: %2 (之前的内容在 %3)")
                                   .arg(QDir::toNativeSeparators(QFile::decodeName(outcome.path)), outcome.reason,
                                        QDir::toNativeSeparators(QFile::decodeName(outcome.recoveryCopy))));
    }
    const auto same = [&](const std::pair<QString, int>& group) { return group.first == outcome.reason; };
    const auto group = std::find_if(m_failures.begin(), m_failures.end(), same);
    if (group == m_failures.end())
        m_failures.emplace_back(outcome.reason, 1);
    else
        ++group->second;
}

void TForm1::Exit1Click()
{
    close();
}

void TForm1::Preferences1Click()
{
    m_form3->setResult(QDialog::Rejected);
    m_form3->XP_CheckBox2->setChecked(m_settings.Logging());
    m_prompts.ShowModal(*m_form3);
    if (m_form3->result() != QDialog::Accepted)
        return;
    m_settings.setLogging(m_form3->XP_CheckBox2->isChecked());
    Logfile1->setEnabled(m_settings.Logging());
}

void TForm1::Logfile1Click()
{
    m_prompts.ShowModal(*m_form4);
}

void TForm1::About1Click()
{
    m_prompts.ShowModal(*m_about);
}

void TForm1::Helpfile1Click()
{
    m_shell.OpenUrl(QUrl::fromLocalFile(QDir(QCoreApplication::applicationDirPath()).filePath("HelpMirel.chm")));
}

void TForm1::HomePage1Click()
{
    m_shell.OpenUrl(QUrl(QStringLiteral("http://") + m_product.homePage));
}

void TForm1::Email1Click()
{
    m_shell.OpenUrl(QUrl(QStringLiteral("mailto:") + m_product.supportMail));
}

void TForm1::Label1Click()
{
    HomePage1Click();
}

void TForm1::ToolButton5Click()
{
    Addfile1Click();
}

void TForm1::ToolButton6Click()
{
    Adddirectory1Click();
}

void TForm1::ToolButton8Click()
{
    Compress1Click();
}

void TForm1::ToolButton7Click()
{
    Removeall1Click();
}

void TForm1::ToolButton9Click()
{
    Preferences1Click();
}

void TForm1::ToolButton10Click()
{
    HomePage1Click();
}

void TForm1::ToolButton11Click()
{
    Helpfile1Click();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    m_prompts.Guard(this, [&] { AddDropped(urls); });
}

void TForm1::AddDropped(const QList<QUrl>& urls)
{
    QList<QByteArray> paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths << QFile::encodeName(url.toLocalFile());
    }
    AddPaths(paths);
}

void TForm1::AddPaths(const QList<QByteArray>& paths)
{
    for (const QByteArray& path : paths)
        m_files.AddFileOrFolder(path);
    UpdateCountLabels();
    ReportWalkProblems();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LV && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        m_prompts.Guard(this, [this] { Removefile1Click(); });
        return true;
    }
    if (watched == Label1) {
        switch (event->type()) {
        case QEvent::MouseMove:
            SetTextColour(Label1, kLinkHover);
            break;
        case QEvent::Leave:
            SetTextColour(Label1, kLinkIdle);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                m_prompts.Guard(this, [this] { Label1Click(); });
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
