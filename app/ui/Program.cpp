#include "Program.h"

#include "AboutBox.h"
#include "Fonts.h"
#include "LogViewer.h"
#include "MainWindow.h"
#include "PreferencesDialog.h"
#include "Prompts.h"
#include "QtCatalogue.h"
#include "app/platform/Shell.h"
#include "app/core/TAppPaths.h"
#include "app/core/TReasonText.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>

namespace {

QString g_applicationTitle = QStringLiteral("Tessan XP");

} // namespace

QString ApplicationTitle()
{
    return g_applicationTitle;
}

void SetApplicationTitle(const QString& title)
{
    g_applicationTitle = title;
}

void PrepareApplication()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    auto* catalogue = new TQtCatalogue(QCoreApplication::instance());
    if (catalogue->LoadChinese())
        QCoreApplication::installTranslator(catalogue);
    TReasonText::SetLanguage(TReasonText::Chinese);
#ifndef Q_OS_WIN
    // A path below a device can hold no file: nothing is read from or written there.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
#endif
}

std::unique_ptr<MainWindow> CreateForms(TShell& shell, TPrompts& prompts, const QString& dataDir)
{
    PrepareApplication();
    auto window = std::make_unique<MainWindow>(shell, prompts, dataDir);
    auto* about = new AboutBox(shell, prompts, window.get());
    auto* preferences = new PreferencesDialog(window.get());
    auto* logViewer = new LogViewer(window->logFile(), window.get());
    window->attachDialogs(about, preferences, logViewer);
    return window;
}

int RunProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane XP"));
    QApplication::setOrganizationName(QStringLiteral("Mirel"));
    SetApplicationTitle(QStringLiteral("Tessan XP"));
    QApplication::setFont(TFonts::SongTi(12));
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/pictures/corvane%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    // Desktops match the running window to its desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane-xp"));

    TShell shell;
    TPrompts prompts;
    const std::unique_ptr<MainWindow> window = CreateForms(shell, prompts, TAppPaths::Directory());
    window->show();
    // Paths as the system's bytes (Qt's own options are gone from argv by now): names the locale
    // cannot decode are found too.
    QList<QByteArray> paths;
    for (int i = 1; i < argc; ++i)
        paths << QByteArray(argv[i]);
    if (!paths.isEmpty())
        window->addPaths(paths);
    return app.exec();
}
