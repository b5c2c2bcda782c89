#pragma once

#include "engine/FileStatus.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// Failed expectations on a load or save name the status in words.
void PrintTo(FileStatus status, std::ostream* out);

// A fresh folder per test for pages on disk, removed afterwards.
class PageFolder : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file in the folder (a relative name, sub-folders allowed) and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;
    static std::string Read(const std::string& path);
    std::size_t EntryCount() const;

    std::filesystem::path m_dir;
};
