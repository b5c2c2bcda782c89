#include "PageFolder.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

void PrintTo(FileStatus status, std::ostream* out)
{
    *out << FileStatusText(status);
}

void PageFolder::SetUp()
{
    m_dir = fs::temp_directory_path() / ("corvane-engine-" + std::to_string(::getpid()) + "-" +
                                         testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
}

void PageFolder::TearDown()
{
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(m_dir);
}

std::string PageFolder::Write(const std::string& name, const std::string& content) const
{
    const fs::path p = m_dir / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
}

std::string PageFolder::Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t PageFolder::EntryCount() const
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
}
