// Differential fuzz target: the engine must agree with the reference on every input, under both
// the default and the literal rules, and never lengthen a document; under --best, which has no
// reference, it must never lengthen one and a second run must change nothing. Aborts on the first
// difference.
#include "engine/ByteScan.h"
#include "tests/engine/DocumentGenerator.h"
#include "engine/HTMLCompressor.h"
#include "tests/engine/ReferenceCompressor.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // Half the inputs are token documents, half raw bytes, chosen by the first byte.
    DocumentGenerator gen(data + 1, size - 1);
    ReferenceSwitches s = gen.Switches();
    std::string doc;
    if (data[0] & 1)
        doc = gen.Document(256);
    else if (size > 2)
        doc.assign(reinterpret_cast<const char*>(data + 2), size - 2);

    // The scans at every width, as on processors with fewer instructions.
    bytescan::LimitScanWidth(static_cast<bytescan::ScanWidth>(2 - (data[0] >> 1) % 3));
    THTMLCompressor engine;
    for (const bool literal : {false, true}) {
        s.Literal = literal;
        ApplySwitches(s, engine);
        const std::string fast = engine.CompressBytes(doc);
        if (fast.size() > doc.size() || fast != ReferenceCompress(doc, s)) {
            std::fprintf(stderr, "engine and reference differ on a %zu-byte document (%s rules)\n", doc.size(),
                         literal ? "literal" : "default");
            std::abort();
        }
    }
    s.Literal = false;
    ApplySwitches(s, engine);
    engine.Best = true;
    const std::string once = engine.CompressBytes(doc);
    if (once.size() > doc.size() || engine.CompressBytes(once) != once) {
        std::fprintf(stderr, "--best %s a %zu-byte document\n", once.size() > doc.size() ? "lengthened" : "is not stable on",
                     doc.size());
        std::abort();
    }
    return 0;
}
