#include "Program.h"

#include "Fonts.h"
#include "Prompts.h"
#include "Shell.h"
#include "TAppPaths.h"
#include "Unit1.h"
#include "Unit3.h"
#include "Unit4.h"
#include "UnitAbout.h"

#include <QApplication>
#include <QIcon>

std::unique_ptr<TForm1> CreateForms(TShell& shell, TPrompts& prompts, const QString& dataDir)
{
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
    QApplication::setApplicationDisplayName(QStringLiteral("Tessan XP"));
    QApplication::setFont(TFonts::SongTi(12));
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/pictures/corvane%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    TShell shell;
    TPrompts prompts;
    const std::unique_ptr<TForm1> form1 = CreateForms(shell, prompts, TAppPaths::Directory());
    form1->show();
    return app.exec();
}
