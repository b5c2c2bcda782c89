#include "MainWindow.h"

#include "AboutBox.h"
#include "FileListModel.h"
#include "Fonts.h"
#include "ImageList.h"
#include "LinkLabel.h"
#include "MenuToolBar.h"
#include "PreferencesDialog.h"
#include "Program.h"
#include "Prompts.h"
#include "app/core/TBackgroundRun.h"
#include "menus/XPMenu.h"
#include "widgets/XP_Form.h"
#include "widgets/XP_GroupBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>

namespace {

const QColor kFace(0xF8, 0xF6, 0xE6);
// The gauge's fill: the active caption's gradient end of the classic Windows scheme.
const QColor kGaugeFill(0xA6, 0xCA, 0xF0);

// Form positions (left, top, width, height) inside the client panel.
constexpr QRect kListPlace{16, 80, 441, 193};
constexpr QRect kFileInfoPlace{16, 280, 441, 105};
constexpr QRect kLinkPlace{19, 386, 180, 24};
constexpr QRect kProgressPlace{120, 128, 345, 137};
constexpr int kMenuToolBarHeight = 23;
constexpr int kPictureToolBarHeight = 50;
// Separators are as tall as the buttons beside them (the menu styler makes menu buttons 22 high)
// and draw only the bar's face: the styler draws a line only for a Tag above 0.
constexpr QSize kMenuSeparatorSize{8, 22};
constexpr QSize kPictureButtonSize{39, 41};
constexpr QSize kPictureSeparatorSize{10, kPictureButtonSize.height()};

void SetFace(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void AddSeparator(QToolBar* bar, const QSize& size)
{
    bar->widgetForAction(bar->addSeparator())->setFixedSize(size);
}

} // namespace

MainWindow::MainWindow(TShell& shell, TPrompts& prompts, const QString& dataDir, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_prompts(prompts), m_dataDir(dataDir)
{
    m_frame = new TXP_Form(this);
    m_frame->setObjectName(QStringLiteral("frame"));
    m_background = new TBackgroundRun(*this, this);
    setFont(TFonts::SongTi(12));
    setAcceptDrops(true);
    m_clientPanel = new QWidget(this);
    SetFace(m_clientPanel, kFace);
    m_frame->setClientPanel(m_clientPanel);

    buildMenus();
    buildMenuToolBar();
    buildPictureToolBar();
    buildFileView();
    buildFileInfoGroup();
    buildMakerLink();
    buildProgressPanel();

    setMinimumSize(575, 485);
    resize(600, 485);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_product = TProductInfo::Corvane();
    setWindowTitle(m_product.title);
    readSettings();

    // The flat look of the drop-down menus and both tool bars.
    m_menuStyler = new TXPMenu(this);
    m_menuStyler->setFont(TFonts::SongTi(12));
    m_menuStyler->setXPContainers(XPSet(xcForm, xcToolbar, xcCoolbar, xcControlbar, xcPanel));
    m_menuStyler->setActive(true);

    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        // A session ending may quit without closing the window; the settings are kept anyway.
        if (!m_settingsWritten)
            saveSettings();
    });
}

MainWindow::~MainWindow()
{
    // The model observes m_files, which dies before the children do: let it go first.
    m_fileView->setModel(nullptr);
    delete m_model;
}

void MainWindow::attachDialogs(AboutBox* about, PreferencesDialog* preferences, LogViewer* logViewer)
{
    m_about = about;
    m_preferences = preferences;
    m_logViewer = logViewer;
}

QString MainWindow::optionFile() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("option.ini"));
}

QString MainWindow::logFile() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("log.txt"));
}

QSize MainWindow::formSize() const
{
    return size();
}

void MainWindow::setRunSetup(std::function<void(TCompressRun&)> setup)
{
    m_runSetup = std::move(setup);
}

QAction* MainWindow::makeAction(const QString& caption, int image, const QString& name, Command command)
{
    static const TImageList menuImages(QStringLiteral(":/pictures/menu16.png"), 16);
    auto* action = new QAction(menuImages.Icon(image), caption, this);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    return action;
}

void MainWindow::buildMenus()
{
    m_addFilesAction = makeAction(QStringLiteral("添加文件(&A)"), 5, "addFilesAction", &MainWindow::addFiles);
    m_addFolderAction =
        makeAction(QStringLiteral("添加目录(&D)"), 7, "addFolderAction", &MainWindow::addFolder);
    m_removeSelectedAction =
        makeAction(QStringLiteral("移除文件(&R)"), -1, "removeSelectedAction", &MainWindow::removeSelected);
    m_removeAllAction =
        makeAction(QStringLiteral("移除所有文件(&A)"), 6, "removeAllAction", &MainWindow::removeAll);
    m_compressAction =
        makeAction(QStringLiteral("压缩(&C)"), 3, "compressAction", &MainWindow::compressPending);
    m_exitAction = makeAction(QStringLiteral("退出(&X)"), -1, "exitAction", &MainWindow::exitProgram);
    m_selectAllAction = makeAction(QStringLiteral("全选(&A)"), -1, "selectAllAction", &MainWindow::selectAll);
    m_invertSelectionAction =
        makeAction(QStringLiteral("反选(&I)"), -1, "invertSelectionAction", &MainWindow::invertSelection);
    m_preferencesAction =
        makeAction(QStringLiteral("参数选择(&P)..."), 4, "preferencesAction", &MainWindow::showPreferences);
    m_viewLogAction = makeAction(QStringLiteral("日志文件(&L)"), -1, "viewLogAction", &MainWindow::showLog);
    m_helpContentsAction =
        makeAction(QStringLiteral("内容(&C)"), 2, "helpContentsAction", &MainWindow::openHelp);
    m_homePageAction = makeAction(QStringLiteral("主页(&P)"), 1, "homePageAction", &MainWindow::openHomePage);
    m_mailAction = makeAction(QStringLiteral("电子邮件(&E)"), 0, "mailAction", &MainWindow::writeMail);
    m_aboutAction = makeAction(QStringLiteral("关于(&A)"), -1, "aboutAction", &MainWindow::showAbout);

    m_fileMenu = new QMenu(QStringLiteral("文件(&F)"), this);
    m_fileMenu->addActions({m_addFilesAction, m_addFolderAction});
    m_fileMenu->addSeparator();
    m_fileMenu->addActions({m_removeSelectedAction, m_removeAllAction});
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_compressAction);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exitAction);
    m_editMenu = new QMenu(QStringLiteral("编辑(&E)"), this);
    m_editMenu->addActions({m_selectAllAction, m_invertSelectionAction});
    m_optionsMenu = new QMenu(QStringLiteral("选项(&O)"), this);
    m_optionsMenu->addAction(m_preferencesAction);
    m_optionsMenu->addSeparator();
    m_optionsMenu->addAction(m_viewLogAction);
    m_helpMenu = new QMenu(QStringLiteral("帮助(&H)"), this);
    m_helpMenu->addAction(m_helpContentsAction);
    m_helpMenu->addSeparator();
    m_helpMenu->addActions({m_homePageAction, m_mailAction});
    m_helpMenu->addSeparator();
    m_helpMenu->addAction(m_aboutAction);
}

void MainWindow::buildMenuToolBar()
{
    // The menu bar: one button per top menu, dropping it down on a click or on its Alt accelerator.
    m_menuToolBar = new QToolBar(m_clientPanel);
    m_menuToolBar->setObjectName(QStringLiteral("menuToolBar"));
    m_menuToolBar->setMovable(false);
    m_menuToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    AddSeparator(m_menuToolBar, kMenuSeparatorSize);
    for (QMenu* menu : {m_fileMenu, m_editMenu, m_optionsMenu, m_helpMenu}) {
        auto* button = new QToolButton(m_menuToolBar);
        button->setText(menu->title());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setAutoRaise(true);
        m_menuToolBar->addWidget(button);
    }
    new TMenuToolBar(m_menuToolBar);
}

void MainWindow::buildPictureToolBar()
{
    static const TImageList pictures(QStringLiteral(":/pictures/toolbar32.png"), 32);
    m_pictureToolBar = new QToolBar(m_clientPanel);
    m_pictureToolBar->setObjectName(QStringLiteral("pictureToolBar"));
    m_pictureToolBar->setMovable(false);
    m_pictureToolBar->setIconSize(QSize(32, 32));
    m_pictureToolBar->setProperty("Transparent", true);
    // Each button gives the command of a menu item, with a picture and a hint of its own.
    const auto addButton = [this](QAction* command, int picture, const QString& hint, const QString& name) {
        auto* button = new QToolButton(m_pictureToolBar);
        button->setObjectName(name);
        button->setIcon(pictures.Icon(picture));
        button->setText(hint);
        button->setToolTip(hint);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(m_pictureToolBar->iconSize());
        button->setFixedSize(kPictureButtonSize);
        button->setEnabled(command->isEnabled());
        connect(command, &QAction::enabledChanged, button, &QWidget::setEnabled);
        connect(button, &QToolButton::clicked, command, &QAction::trigger);
        m_pictureToolBar->addWidget(button);
    };
    AddSeparator(m_pictureToolBar, kPictureSeparatorSize);
    addButton(m_addFilesAction, 0, QStringLiteral("添加文件"), QStringLiteral("addFilesButton"));
    addButton(m_addFolderAction, 1, QStringLiteral("添加目录"), QStringLiteral("addFolderButton"));
    addButton(m_compressAction, 3, QStringLiteral("压缩 Html 文件"), QStringLiteral("compressButton"));
    addButton(m_removeAllAction, 2, QStringLiteral("移除所有文件"), QStringLiteral("removeAllButton"));
    AddSeparator(m_pictureToolBar, kPictureSeparatorSize);
    addButton(m_preferencesAction, 4, QStringLiteral("参数选择"), QStringLiteral("preferencesButton"));
    AddSeparator(m_pictureToolBar, kPictureSeparatorSize);
    addButton(m_homePageAction, 5, QStringLiteral("主页"), QStringLiteral("homePageButton"));
    addButton(m_helpContentsAction, 6, QStringLiteral("帮助"), QStringLiteral("helpButton"));
}

void MainWindow::buildFileView()
{
    m_fileView = new QTreeView(m_clientPanel);
    m_fileView->setObjectName(QStringLiteral("fileView"));
    m_fileView->setGeometry(kListPlace);
    m_model = new TFileListModel(m_files, this);
    m_fileView->setModel(m_model);
    m_fileView->setRootIsDecorated(false);
    m_fileView->setItemsExpandable(false);
    m_fileView->setUniformRowHeights(true);
    m_fileView->setAllColumnsShowFocus(true);
    m_fileView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileView->setSortingEnabled(false);
    QPalette palette = m_fileView->palette();
    palette.setColor(QPalette::Base, kFace);
    m_fileView->setPalette(palette);
    m_fileView->installEventFilter(this);
    QHeaderView* header = m_fileView->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int i = 0; i < int(TFileListModel::Columns.size()); ++i)
        header->resizeSection(i, TFileListModel::Columns[std::size_t(i)].width);
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (width < TFileListModel::Columns[std::size_t(column)].minWidth)
            resizeColumn(column, width);
    });
}

void MainWindow::resizeColumn(int column, int width)
{
    m_fileView->header()->resizeSection(
        column, std::max(width, TFileListModel::Columns[std::size_t(column)].minWidth));
}

void MainWindow::buildFileInfoGroup()
{
    auto* group = new TXP_GroupBox(m_clientPanel);
    group->setObjectName(QStringLiteral("fileInfoGroup"));
    group->setCaption(QStringLiteral("Html 文件的信息"));
    group->setGeometry(kFileInfoPlace);
    group->setBorderColor(QColor(0xD0, 0xD0, 0xBF));
    group->setCaptionColor(QColor(0x02, 0x46, 0xCF));
    m_fileInfoGroup = group;
    const auto row = [group](int top, const QString& caption, const QString& name) {
        auto* label = new QLabel(caption, group);
        label->move(16, top);
        auto* shows = new QLabel(group);
        shows->setObjectName(name);
        shows->setGeometry(136, top, 280, label->sizeHint().height());
        return shows;
    };
    m_fileCountValue = row(24, QStringLiteral("文件:"), QStringLiteral("fileCountValue"));
    m_totalSizeValue = row(44, QStringLiteral("文件总的大小:"), QStringLiteral("totalSizeValue"));
    m_compressedSizeValue =
        row(64, QStringLiteral("文件被缩减的大小:"), QStringLiteral("compressedSizeValue"));
    m_reductionValue = row(84, QStringLiteral("缩减了"), QStringLiteral("reductionValue"));
    showListTotals();
    clearRunResults();
}

void MainWindow::showListTotals()
{
    m_fileCountValue->setText(m_files.CountText());
    m_totalSizeValue->setText(m_files.TotalText());
}

// No run's result: the list is empty again.
void MainWindow::clearRunResults()
{
    m_compressedSizeValue->setText(QStringLiteral("0K (0 字节)"));
    m_reductionValue->setText(QStringLiteral("0%"));
}

void MainWindow::buildMakerLink()
{
    m_makerLink = new TLinkLabel(m_clientPanel);
    m_makerLink->setObjectName(QStringLiteral("makerLink"));
    m_makerLink->setGeometry(kLinkPlace);
    m_makerLink->setFont(TFonts::SongTi(16, true));
    connect(m_makerLink, &TLinkLabel::clicked, this,
            [this] { m_prompts.Guard(this, [this] { openHomePage(); }); });
}

void MainWindow::buildProgressPanel()
{
    m_progressPanel = new QFrame(m_clientPanel);
    m_progressPanel->setObjectName(QStringLiteral("progressPanel"));
    m_progressPanel->setGeometry(kProgressPlace);
    m_progressPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SetFace(m_progressPanel, kFace);
    auto* caption = new QLabel(QStringLiteral("正在处理...."), m_progressPanel);
    caption->move(44, 38);
    m_gauge = new QProgressBar(m_progressPanel);
    m_gauge->setObjectName(QStringLiteral("gauge"));
    m_gauge->setGeometry(44, 60, 257, 25);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setAlignment(Qt::AlignCenter);
    m_gauge->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid black; background: white; color: black; }"
                       "QProgressBar::chunk { background: %1; }")
            .arg(kGaugeFill.name()));
    m_progressPanel->hide();
}

void MainWindow::readSettings()
{
    m_settings.Read(optionFile());
    // A first start (no width stored yet) keeps the designed widths instead of collapsing every
    // column to its minimum and the reduced-size one to nothing; a stored width is the user's.
    for (int i = 0; i < TSettings::ColumnCount; ++i)
        resizeColumn(i, m_settings.ColumnWidthStored(i) ? m_settings.ColumnWidth(i)
                                                        : TFileListModel::Columns[std::size_t(i)].width);
}

void MainWindow::saveSettings()
{
    for (int i = 0; i < TSettings::ColumnCount; ++i)
        m_settings.setColumnWidth(i, m_fileView->header()->sectionSize(i));
    QString reason;
    m_settingsWritten = true;
    if (!m_settings.Write(optionFile(), &reason) && !m_settingsProblemShown) {
        // A preference the user changed must not vanish without a word.
        m_settingsProblemShown = true;
        m_prompts.ShowError(
            this,
            QStringLiteral("不能保存设置文件 %1\n%2").arg(QDir::toNativeSeparators(optionFile()), reason));
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_prompts.Guard(this, [this] { onShown(); });
}

void MainWindow::onShown()
{
    if (m_about)
        m_about->fill(m_product);
    SetApplicationTitle(m_product.title);
    m_makerLink->setText(m_product.company + QStringLiteral(" Software,Inc."));
    if (m_settings.Logging() && m_preferences)
        m_preferences->setLogging(true);
    m_viewLogAction->setEnabled(m_settings.Logging());
    layOut();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void MainWindow::layOut()
{
    const QSize form = formSize();
    const int W = form.width();
    const int H = form.height();
    m_menuToolBar->setGeometry(0, 0, m_clientPanel->width(), kMenuToolBarHeight);
    m_pictureToolBar->setGeometry(0, kMenuToolBarHeight, m_clientPanel->width(), kPictureToolBarHeight);

    const int listWidth = W - 2 * m_fileView->x() - 5;
    m_makerLink->move(m_makerLink->x(), H - m_makerLink->height() - 40);
    m_fileInfoGroup->setGeometry(m_fileInfoGroup->x(), m_makerLink->y() - m_fileInfoGroup->height() - 10,
                                 listWidth, m_fileInfoGroup->height());
    m_fileView->setGeometry(m_fileView->x(), m_fileView->y(), listWidth,
                            m_fileInfoGroup->y() - m_fileView->y() - 10);
    m_progressPanel->move((W - m_progressPanel->width()) / 2, (H - m_progressPanel->height()) / 3);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (isRunning()) {
        // The run stops after the page in hand; the window closes once it has.
        m_closeAfterRun = true;
        m_background->RequestStop();
        event->ignore();
        return;
    }
    m_prompts.Guard(this, [this] { saveSettings(); });
    event->accept();
}
