#include "TCliOptions.h"

#include "engine/HTMLCompressor.h"

#include <QThread>
#include <algorithm>
#include <array>
#include <utility>

namespace {

using SwitchMember = bool THTMLCompressor::*;

constexpr std::array<std::pair<const char*, SwitchMember>, 8> kSwitches{{
    {"SimpleTags", &THTMLCompressor::SimpleTags},
    {"Center", &THTMLCompressor::Center},
    {"InvCommas", &THTMLCompressor::InvCommas},
    {"Spaces", &THTMLCompressor::Spaces},
    {"Returns", &THTMLCompressor::Returns},
    {"AllReturns", &THTMLCompressor::AllReturns},
    {"Webbots", &THTMLCompressor::Webbots},
    {"BlockquoteToUl", &THTMLCompressor::BlockquoteToUl},
}};

// The engine's spelling of a switch name given in any letter case; empty when unknown.
QString CanonicalSwitch(const QString& name)
{
    for (const auto& [known, member] : kSwitches) {
        if (name.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return QLatin1String(known);
    }
    return {};
}

// Options that change what is reported or where, never a page's bytes.
const QStringList kNeutral{"--dry-run", "--log", "--quiet", "-q", "--help", "-h", "--version", "--delete", "--json"};

// More threads than this only wait for the disk.
constexpr int kMostJobs = 256;

} // namespace

bool TCliOptions::Parse(const QStringList& arguments, QString& error)
{
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            paths.append(argument);
            pathArguments.append(i);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = argument;
        QString value;
        bool hasValue = false;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
            hasValue = true;
        }

        if (name == QLatin1String("--jobs") || name == QLatin1String("-j")) {
            if (!hasValue) {
                if (i + 1 >= arguments.size()) {
                    error = QStringLiteral("%1 needs a number of jobs").arg(name);
                    return false;
                }
                value = arguments[++i];
            }
            bool number = false;
            jobs = value.toInt(&number);
            if (!number || jobs < 1 || jobs > kMostJobs) {
                error = QStringLiteral("%1 takes a number of jobs from 1 to %2, not '%3'").arg(name).arg(kMostJobs).arg(value);
                return false;
            }
            continue;
        }
        if (name == QLatin1String("--output") || name == QLatin1String("-o")) {
            outputOffset = hasValue ? int(equals) + 1 : 0;
            if (!hasValue && i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a folder").arg(name);
                return false;
            }
            outputArgument = hasValue ? i : ++i;
            output = hasValue ? value : arguments[i];
            if (output.isEmpty()) {
                error = QStringLiteral("%1 needs a folder").arg(name);
                return false;
            }
            continue;
        }
        if (name == QLatin1String("--enable") || name == QLatin1String("--disable")) {
            if (!hasValue) {
                if (i + 1 >= arguments.size()) {
                    error = QStringLiteral("%1 needs a switch name").arg(name);
                    return false;
                }
                value = arguments[++i];
            }
            const QString canonical = CanonicalSwitch(value);
            if (canonical.isEmpty()) {
                error = QStringLiteral(
                            "unknown switch '%1' (known: SimpleTags, Center, InvCommas, Spaces, Returns, "
                            "AllReturns, Webbots, BlockquoteToUl)")
                            .arg(value);
                return false;
            }
            switches.append({canonical, name == QLatin1String("--enable")});
            shaping.append((name == QLatin1String("--enable") ? QLatin1Char('+') : QLatin1Char('-')) + canonical);
            continue;
        }
        if (hasValue) {
            error = QStringLiteral("option %1 takes no value").arg(name);
            return false;
        }
        if (!kNeutral.contains(name))
            shaping.append(name);
        if (name == QLatin1String("--dry-run"))
            dryRun = true;
        else if (name == QLatin1String("--log"))
            log = true;
        else if (name == QLatin1String("--quiet") || name == QLatin1String("-q"))
            quiet = true;
        else if (name == QLatin1String("--help") || name == QLatin1String("-h"))
            help = true;
        else if (name == QLatin1String("--version"))
            version = true;
        else if (name == QLatin1String("--literal"))
            literal = true;
        else if (name == QLatin1String("--best"))
            best = true;
        else if (name == QLatin1String("--delete"))
            remove = true;
        else if (name == QLatin1String("--json"))
            json = true;
        else {
            error = QStringLiteral("unknown option '%1'").arg(argument);
            return false;
        }
    }
    if (literal && best) {
        error = QStringLiteral("--literal and --best exclude each other");
        return false;
    }
    if (jobs == 0)
        jobs = std::clamp(QThread::idealThreadCount(), 1, kMostJobs);
    if (help || version)
        return true;
    const bool dash = paths.contains(QStringLiteral("-"));
    if (dash && paths.size() > 1) {
        error = QStringLiteral("- (a page on standard input) cannot be given with other paths");
        return false;
    }
    filter = dash || (paths.isEmpty() && !standardInputIsTerminal);
    if (filter && !output.isEmpty()) {
        error = QStringLiteral("--output takes files and folders, not a page on standard input");
        return false;
    }
    if (filter && json) {
        error = QStringLiteral("--json cannot share standard output with the page");
        return false;
    }
    if (log && (filter || !output.isEmpty())) {
        error = QStringLiteral("--log records pages rewritten in place, not with %1")
                    .arg(filter ? QStringLiteral("a page on standard input") : QStringLiteral("--output"));
        return false;
    }
    if (remove && output.isEmpty()) {
        error = QStringLiteral("--delete needs --output");
        return false;
    }
    if (paths.isEmpty() && !filter) {
        error = QStringLiteral("no file or folder given");
        return false;
    }
    return true;
}

QByteArray TCliOptions::Recipe() const
{
    return QByteArrayLiteral("corvane " CORVANE_VERSION " ") + shaping.join(QLatin1Char(' ')).toUtf8();
}

void TCliOptions::ApplySwitches(THTMLCompressor& HC) const
{
    for (const auto& [known, member] : kSwitches)
        HC.*member = true;
    HC.BlockquoteToUl = false;
    for (const Switch& sw : switches) {
        for (const auto& [known, member] : kSwitches) {
            if (sw.name == QLatin1String(known))
                HC.*member = sw.on;
        }
    }
    HC.Literal = literal;
    HC.Best = best;
}

QString TCliOptions::HelpText()
{
    return QStringLiteral(
        "Usage: corvane [OPTIONS] PATH...\n"
        "       corvane [OPTIONS] -o DIR PATH...\n"
        "       corvane [OPTIONS] - < PAGE > RESULT\n"
        "Compresses HTML files in place. A PATH is a file or a folder; a folder is searched\n"
        "for *.htm and *.html files (hidden folders and links to folders are skipped).\n"
        "With - (or no PATH while standard input is not a terminal) one page is read from\n"
        "standard input and the result written to standard output, byte for byte.\n"
        "\n"
        "Options:\n"
        "  --dry-run         compress in memory and report, write nothing (no files, no log)\n"
        "  --log             append a record per compressed file to log.txt, like the window\n"
        "  --enable NAME     turn a switch on\n"
        "  --disable NAME    turn a switch off\n"
        "                    switches: SimpleTags Center InvCommas Spaces Returns AllReturns\n"
        "                    Webbots BlockquoteToUl (all on except BlockquoteToUl)\n"
        "  --literal         apply the rules exactly as first written: smaller files, but\n"
        "                    attribute values may be cut at spaces, words joined across\n"
        "                    line breaks and italic or bold run on to the end of a page\n"
        "  --best            also drop what a browser provably ignores: comments, white\n"
        "                    space in the head, beside blocks and in runs, end tags the\n"
        "                    parser implies, default script and style types\n"
        "  -j, --jobs N      compress N pages at once (default: one per core); pages are\n"
        "                    still put in place, reported and logged in their order\n"
        "  -o, --output DIR  write into DIR instead of in place: a folder is mirrored in DIR\n"
        "                    (pages compressed, other files copied, links made again), a\n"
        "                    file goes to DIR/NAME; outputs keep their sources' modes and\n"
        "                    times, and a rerun writes only what changed\n"
        "      --delete      with --output: remove the outputs made earlier whose sources\n"
        "                    are gone (nothing else in DIR)\n"
        "      --json        print one JSON summary on standard output instead of the lines\n"
        "  -q, --quiet       print nothing but failures (on standard error)\n"
        "  -h, --help        show this help\n"
        "      --version     show the version\n"
        "\n"
        "On a terminal a progress line is kept up to date on standard error.\n"
        "\n"
        "Exit status: 0 all files compressed or nothing to save, 1 a file failed, a folder\n"
        "could not be read, the log or the report could not be written, or an interrupted\n"
        "run left a recovery copy to see to (named on standard error), 2 usage error.\n"
        "Ctrl+C, SIGTERM and SIGHUP stop once the files in hand are saved.\n");
}
