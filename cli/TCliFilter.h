#pragma once

class THTMLCompressor;

// corvane as a filter: one page from standard input, its compressed bytes to standard output,
// nothing else there. Bytes in, bytes out: no decoding, no line-end change. A page the engine
// leaves alone goes out as it came; where a run in place would fail it (UTF-16 text) that is
// said on standard error and the exit status is 1.
class TCliFilter
{
public:
    // The exit status. A dry run writes no page: its sizes go to standard error.
    [[nodiscard]] static int Run(THTMLCompressor& HC, bool dryRun, bool quiet);
};
