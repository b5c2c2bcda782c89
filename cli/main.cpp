#include "engine/HTMLCompressor.h"
#include "app/core/TAppPaths.h"
#include "TCliFilter.h"
#include "TCliJsonReport.h"
#include "TCliOptions.h"
#include "TCliReporter.h"
#include "app/core/TCompressRun.h"
#include "app/core/TFileList.h"
#include "app/core/TNameText.h"
#include "app/core/TOutputPlan.h"
#include "app/core/TOutputTreeRun.h"
#include "app/core/TReasonText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <csignal>
#include <cstdio>
#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

namespace {

volatile std::sig_atomic_t g_signal = 0;

#ifndef Q_OS_WIN
constexpr rlim_t kOpenFilesWanted = 4096;
#endif

void RememberSignal(int signal)
{
    g_signal = signal;
}

// Ctrl+C, SIGTERM and SIGHUP end the run after the pages in hand, so no temporary file is left.
void CatchStopSignals()
{
#ifdef Q_OS_WIN
    std::signal(SIGINT, RememberSignal);
    std::signal(SIGTERM, RememberSignal);
#else
    struct sigaction action = {};
    action.sa_handler = RememberSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    // Past a file size limit a write fails cleanly instead of killing us mid-file.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

// A run holds a batch of pages and the files of pages it replaced open at once (a few per page):
// room for a few thousand descriptors where the system allows it.
void RaiseOpenFileLimit()
{
#ifndef Q_OS_WIN
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < kOpenFilesWanted) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, kOpenFilesWanted);
        (void)::setrlimit(RLIMIT_NOFILE, &limit);
    }
#endif
}

// Then the process ends the usual way for that signal.
void DieOfSignal(int signal)
{
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int UsageError(const QString& message)
{
    std::fprintf(stderr, "corvane: %s (see corvane --help)\n", message.toLocal8Bit().constData());
    return 2;
}

// A report that could not be written (a full disk, a closed terminal) is no success.
int Finish(int status)
{
    const bool outFailed = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (outFailed)
        std::fputs("corvane: standard output could not be written\n", stderr);
    const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr);
    return outFailed || errFailed ? std::max(status, 1) : status;
}

} // namespace

int main(int argc, char* argv[])
{
    // Qt takes options of its own (-qmljsdebugger=..., -platform) out of the arguments it is
    // given: it gets the program's name alone, and every argument stays ours.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    // Reasons for failures in the user's language: Chinese in a Chinese locale, else English.
    TReasonText::SetLanguage(TReasonText::LanguageOfLocale());
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    TCliOptions options;
    options.standardInputIsTerminal = TCliReporter::StdinIsTerminal();
    QString error;
    if (!options.Parse(arguments, error))
        return UsageError(error);
    if (options.help) {
        std::fputs(TCliOptions::HelpText().toLocal8Bit().constData(), stdout);
        return Finish(0);
    }
    if (options.version) {
        std::printf("corvane %s\n", CORVANE_VERSION);
        return Finish(0);
    }
    THTMLCompressor HC;
    options.ApplySwitches(HC);
    if (options.filter)
        return Finish(TCliFilter::Run(HC, options.dryRun, options.quiet));

    // Paths as the system's bytes: the decoded arguments lose names the locale cannot decode.
    QList<QByteArray> paths;
    for (int index : options.pathArguments)
        paths.append(QByteArray(argv[index + 1]));

    // Every path is checked before anything is touched: a typo must not leave half a site done.
    for (const QByteArray& path : paths) {
        const QString name = QString::fromLocal8Bit(TNameText::Escaped(path));
        // A relative path means nothing once the working folder is gone or its name leads elsewhere.
        int folderError = 0;
        if (QDir::isRelativePath(QFile::decodeName(path)) && TFileList::WorkingFolder(&folderError).isEmpty())
            return UsageError(
                QStringLiteral("cannot resolve %1: the working folder is gone or has no name (%2)")
                    .arg(name, TReasonText::OfSystemError(folderError)));
        const TFileList::PathKind kind = TFileList::KindOf(path);
        if (kind == TFileList::PathKind::Missing || kind == TFileList::PathKind::Other) {
            return UsageError((kind == TFileList::PathKind::Missing ? "no such file or folder: "
                                                                    : "not a regular file or folder: ") +
                              name);
        }
    }
    TOutputPlan plan;
    plan.SetJobs(options.jobs);
    if (!options.output.isEmpty() &&
        !plan.Build(QByteArray(argv[options.outputArgument + 1] + options.outputOffset), paths, error))
        return UsageError(error);

    CatchStopSignals();
    RaiseOpenFileLimit();
    QElapsedTimer clock;
    clock.start();
    TCliJsonReport json;
    TCliReporter reporter(options.quiet, options.json ? &json : nullptr, TCliReporter::StderrIsTerminal());
    std::vector<TWalkProblem> problems;
    TRunTotals totals;
    if (!options.output.isEmpty()) {
        problems = plan.TakeWalkProblems();
        for (const TWalkProblem& problem : problems)
            reporter.FolderUnreadable(problem.path, problem.reason);
        reporter.Start(plan.FileCount(), plan.TotalBytes());
        TOutputTreeRun run(plan, HC, &reporter);
        run.SetRecipe(options.Recipe());
        run.SetDryRun(options.dryRun);
        run.SetDelete(options.remove);
        run.SetJobs(options.jobs);
        run.SetStopRequest([] { return g_signal != 0; });
        totals = run.Execute();
    } else {
        TFileList list;
        for (const QByteArray& path : paths)
            list.AddFileOrFolder(path);
        // A folder the walk could not enter is no silent success.
        problems = list.TakeWalkProblems();
        for (const TWalkProblem& problem : problems)
            reporter.FolderUnreadable(problem.path, problem.reason);
        reporter.Start(list.Count(), list.TotalSize());
        TCompressRun run(list, HC, &reporter);
        run.SetDryRun(options.dryRun);
        run.SetJobs(options.jobs);
        run.SetStopRequest([] { return g_signal != 0; });
        if (options.log)
            run.SetLogFile(TAppPaths::LogFile());
        totals = run.Execute();
    }
    reporter.PrintTotals(totals, options.dryRun);
    if (options.json) {
        const QByteArray document = json.Document(totals, options.dryRun, double(clock.nsecsElapsed()) / 1e9);
        std::fwrite(document.constData(), 1, std::size_t(document.size()), stdout);
    }
    if (g_signal != 0)
        DieOfSignal(g_signal);
    return Finish(totals.failed > 0 || !problems.empty() || totals.logFailed || totals.recoveryNotices > 0 ? 1 : 0);
}
