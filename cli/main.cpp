#include "HTMLCompressor.h"
#include "TAppPaths.h"
#include "TCliOptions.h"
#include "TCliReporter.h"
#include "TCompressRun.h"
#include "TFileList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

int UsageError(const QString& message)
{
    std::fprintf(stderr, "corvane: %s (see corvane --help)\n", message.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    TCliOptions options;
    QString error;
    if (!options.Parse(arguments, error))
        return UsageError(error);
    if (options.help) {
        std::fputs(TCliOptions::HelpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("corvane %s\n", CORVANE_VERSION);
        return 0;
    }

    // Every path is checked before anything is touched: a typo must not leave half a site done.
    for (const QString& path : options.paths) {
        const QFileInfo info(path);
        if (!info.exists())
            return UsageError(QStringLiteral("no such file or folder: %1").arg(path));
        if (!info.isDir() && !info.isFile())
            return UsageError(QStringLiteral("not a regular file or folder: %1").arg(path));
    }

    TFileList list;
    for (const QString& path : options.paths) {
        if (QFileInfo(path).isDir())
            list.FindFiles(path);
        else
            list.AddPath(path);
    }

    THTMLCompressor HC;
    options.ApplySwitches(HC);
    TCliReporter reporter(options.quiet, TCliReporter::StderrIsTerminal() &&
                                             list.Count() >= TCliReporter::ProgressThreshold);
    TCompressRun run(list, HC, &reporter);
    run.SetDryRun(options.dryRun);
    if (options.log)
        run.SetLogFile(TAppPaths::LogFile());
    const TRunTotals totals = run.Execute();
    reporter.PrintTotals(totals, options.dryRun);
    return totals.failed > 0 ? 1 : 0;
}
