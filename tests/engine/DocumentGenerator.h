#pragma once

#include "ReferenceCompressor.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Builds documents from the tokens that matter to the passes, driven by a byte source, so that
// the same generator serves the random differential test and the fuzzer.
class DocumentGenerator
{
public:
    DocumentGenerator(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // Switches from the first byte, then tokens until the bytes run out or `maxTokens` is reached.
    ReferenceSwitches Switches();
    std::string Document(std::size_t maxTokens);

private:
    std::uint8_t Next();

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
