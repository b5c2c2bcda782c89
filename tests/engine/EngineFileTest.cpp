// Loading and saving real files: what is refused, what is kept, and that nothing is ever left
// half-written.
#include "HTMLCompressor.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class EngineFile : public testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("corvane-engine-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }

    std::string Write(const std::string& name, const std::string& content)
    {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::size_t EntryCount() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
    THTMLCompressor m_hc;
};

const std::string kPage = "<p align=\"center\">\r\n<STRONG>Hello</STRONG>  world\r\n</p>\r\n<pre>a  b</pre>";
const std::string kPageResult = "<center><b>Hello</b> world</center><pre>a  b</pre>";

TEST_F(EngineFile, CompressesInPlaceAndKeepsPermissions)
{
    const std::string path = Write("page.htm", kPage);
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(m_hc.LoadFromFile(path));
    EXPECT_EQ(m_hc.LoadedLength(), 72u);
    m_hc.Compress();
    EXPECT_EQ(m_hc.ResultLength(), 50u);
    ASSERT_TRUE(m_hc.SaveToFile(path));
    EXPECT_EQ(Read(path), kPageResult);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryCount(), 1u) << "no temporary file may be left behind";
    // The same result can be saved again.
    EXPECT_TRUE(m_hc.SaveToFile(path));
    EXPECT_EQ(Read(path), kPageResult);
}

TEST_F(EngineFile, MissingFileFailsAndForgetsTheEarlierDocument)
{
    const std::string path = Write("page.htm", kPage);
    ASSERT_TRUE(m_hc.LoadFromFile(path));
    EXPECT_FALSE(m_hc.LoadFromFile((m_dir / "gone.htm").string()));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::Missing);
    m_hc.Compress();
    EXPECT_FALSE(m_hc.IsCompressed());
    // The earlier page must never be written over another file.
    const std::string other = Write("other.htm", "x");
    EXPECT_FALSE(m_hc.SaveToFile(other));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NothingToSave);
    EXPECT_EQ(Read(other), "x");
}

TEST_F(EngineFile, NothingToSaveLeavesTheFileAlone)
{
    // empty file
    const std::string empty = Write("empty.htm", "");
    ASSERT_TRUE(m_hc.LoadFromFile(empty));
    m_hc.Compress();
    EXPECT_FALSE(m_hc.SaveToFile(empty));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NothingToSave);
    EXPECT_EQ(fs::file_size(empty), 0u);

    // a page that compresses to nothing
    const std::string marker = Write("marker.htm", "<!--webbot bot=Timestamp startspan -->");
    ASSERT_TRUE(m_hc.LoadFromFile(marker));
    m_hc.Compress();
    EXPECT_TRUE(m_hc.IsCompressed());
    EXPECT_EQ(m_hc.ResultLength(), 0u);
    EXPECT_FALSE(m_hc.SaveToFile(marker));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NothingToSave);
    EXPECT_EQ(Read(marker), "<!--webbot bot=Timestamp startspan -->");

    // loaded but not compressed: refused, file untouched
    const std::string page = Write("page.htm", kPage);
    ASSERT_TRUE(m_hc.LoadFromFile(page));
    EXPECT_FALSE(m_hc.SaveToFile(page));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NothingToSave);
    EXPECT_EQ(Read(page), kPage);
}

TEST_F(EngineFile, ReadOnlyFileIsNeverRewritten)
{
    const std::string path = Write("page.htm", kPage);
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(m_hc.LoadFromFile(path));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NotWritable);

    // made read-only between load and save
    ::chmod(path.c_str(), 0644);
    ASSERT_TRUE(m_hc.LoadFromFile(path));
    m_hc.Compress();
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(m_hc.SaveToFile(path));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NotWritable);
    EXPECT_EQ(Read(path), kPage);
}

TEST_F(EngineFile, FolderNotWritableAtSaveTime)
{
    const std::string path = Write("page.htm", kPage);
    ASSERT_TRUE(m_hc.LoadFromFile(path));
    m_hc.Compress();
    ::chmod(m_dir.c_str(), 0555);
    EXPECT_FALSE(m_hc.SaveToFile(path));
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::NotWritable);
    ::chmod(m_dir.c_str(), 0755);
    EXPECT_EQ(Read(path), kPage);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(EngineFile, WriteFailureKeepsTheOriginalAndRemovesTheTemporary)
{
    // A file size limit makes the write fail part way, whoever runs the test.
    const std::string big(4096, 'x');
    const std::string path = Write("page.htm", big + "    " + big);
    ASSERT_TRUE(m_hc.LoadFromFile(path));
    m_hc.Compress();
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = m_hc.SaveToFile(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved);
    EXPECT_EQ(m_hc.LastStatus(), FileStatus::WriteFailed);
    EXPECT_EQ(Read(path), big + "    " + big);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(EngineFile, SymbolicLinkStaysALink)
{
    const std::string target = Write("real.htm", kPage);
    const fs::path link = m_dir / "link.htm";
    fs::create_symlink(target, link);
    ASSERT_TRUE(m_hc.LoadFromFile(link.string()));
    m_hc.Compress();
    ASSERT_TRUE(m_hc.SaveToFile(link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(target), kPageResult);
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(EngineFile, FoldersAreNoDocuments)
{
    EXPECT_FALSE(m_hc.LoadFromFile(m_dir.string()));
    EXPECT_NE(m_hc.LastStatus(), FileStatus::Ok);
}

} // namespace
