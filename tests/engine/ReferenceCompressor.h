#pragma once

#include <string>

// The compression algorithm written the slow, obvious way: every replacement moves the rest of
// the document, every step is the written step. The fast engine must match it byte for byte.
struct ReferenceSwitches
{
    bool SimpleTags = true;
    bool Center = true;
    bool InvCommas = true;
    bool Spaces = true;
    bool Returns = true;
    bool AllReturns = true;
    bool Webbots = true;
    bool BlockquoteToUl = false;
    // The rules exactly as first written, whatever they do to what a browser shows.
    bool Literal = false;
};

std::string ReferenceCompress(std::string doc, const ReferenceSwitches& switches);

class THTMLCompressor;

// Gives the engine the same switches.
void ApplySwitches(const ReferenceSwitches& switches, THTMLCompressor& engine);
