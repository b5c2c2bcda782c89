#pragma once

#include "engine/DeadRuns.h"
#include "engine/HTMLCompressor.h"

#include <QString>

// The words for why a file could not be handled: every status the engine reports and the system
// errors the program passes on. The window speaks Chinese; corvane follows the user's locale.
// The language is chosen once at start-up, before any run begins.
class TReasonText
{
public:
    enum Language
    {
        English,
        Chinese,
    };

    static void SetLanguage(Language language);
    [[nodiscard]] static Language CurrentLanguage();
    // Chinese when the user's first message language is Chinese, English otherwise.
    [[nodiscard]] static Language LanguageOfLocale();

    [[nodiscard]] static QString Of(FileStatus status);
    // What is the matter with a leftover of an interrupted run.
    [[nodiscard]] static QString OfDeadRunFinding(filestore::DeadRunFinding::Kind kind);
    // What a run into an output folder tells of its own record and of outputs it leaves.
    enum OutputWord
    {
        ChangedSinceMade,   // an output whose source is gone was changed since it was made
        UnreadableManifest, // the output folder's record cannot be read: every output is made again
    };
    [[nodiscard]] static QString OfOutput(OutputWord word);
    // A system error number (errno); in English the system's own words.
    [[nodiscard]] static QString OfSystemError(int error);
};
