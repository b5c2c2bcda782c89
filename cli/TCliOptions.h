#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class THTMLCompressor;

// The command line of corvane, parsed.
class TCliOptions
{
public:
    struct Switch
    {
        QString name; // as the engine spells it
        bool on = false;
    };

    // False with a one-line reason on a usage error (unknown option or switch, missing value,
    // no path unless --help or --version or a page comes on standard input, "-" beside another
    // path or an output folder, --delete without one, --literal with --best).
    [[nodiscard]] bool Parse(const QStringList& arguments, QString& error);

    // Sets the engine's switches to the window's values, then applies --enable/--disable in
    // the order given, then --literal or --best.
    void ApplySwitches(THTMLCompressor& HC) const;

    [[nodiscard]] static QString HelpText();

    // Everything given that shapes a page's result, with the version: outputs made with
    // another recipe are made again.
    [[nodiscard]] QByteArray Recipe() const;

    bool dryRun = false;
    bool log = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool literal = false;
    bool best = false;
    int jobs = 0; // pages compressed at once; 0 until parsed, then at least 1 (the cores by default)
    QList<Switch> switches;
    QStringList paths;
    QList<int> pathArguments; // where each path stands in the arguments, to take its raw bytes
    // --output: the folder, and where its raw bytes begin in the arguments (argument, offset).
    QString output;
    int outputArgument = -1;
    int outputOffset = 0;
    bool remove = false; // --delete
    bool json = false;
    // Set before Parse: with no path, a page is then read from standard input only when it is
    // not a terminal.
    bool standardInputIsTerminal = true;
    bool filter = false; // one page from standard input to standard output
    QStringList shaping; // the options that shape results, in the order given
};
