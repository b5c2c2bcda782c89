#include "Program.h"

#include "Fonts.h"
#include "Prompts.h"
#include "QtCatalogue.h"
#include "Shell.h"
#include "TAppPaths.h"
#include "TReasonText.h"
#include "Unit1.h"
#include "Unit3.h"
#include "Unit4.h"
#include "UnitAbout.h"

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

std::unique_ptr<TForm1> CreateForms(TShell& shell, TPrompts& prompts, const QString& dataDir)
{
    PrepareApplication();
    auto form1 = std::make_unique<TForm1>(shell, prompts, dataDir);
    auto* about = new TAbout(shell, prompts, form1.get());
    auto* form3 = new TForm3(form1.get());
    auto* form4 = new TForm4(form1->LogFile(), form1.get());
    form1->AttachDialogs(about, form3, form4);
    return form1;
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
    const std::unique_ptr<TForm1> form1 = CreateForms(shell, prompts, TAppPaths::Directory());
    form1->show();
    // Paths as the system's bytes (Qt's own options are gone from argv by now): names the locale
    // cannot decode are found too.
    QList<QByteArray> paths;
    for (int i = 1; i < argc; ++i)
        paths << QByteArray(argv[i]);
    if (!paths.isEmpty())
        form1->AddPaths(paths);
    return app.exec();
}
