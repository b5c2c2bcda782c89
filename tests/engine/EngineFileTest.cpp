// Loading and saving real files: what is refused, what is kept, and that nothing is ever left
// half-written.
#include "FileStore.h"
#include "HTMLCompressor.h"
#include "PageBatch.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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

namespace {

const std::string kSmallPage = "<p align=\"center\">\n  <b>Hi</b>   x\n</p>\n";
const std::string kSmallResult = THTMLCompressor().CompressBytes(kSmallPage);

class PageIdentity : public EngineFile
{
protected:
    bool Compress(const std::string& path)
    {
        return m_hc.LoadFromFile(path) && (m_hc.Compress(), m_hc.SaveToFile(path));
    }
    static std::string Shell(const std::string& command)
    {
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe))
                out += buffer;
            ::pclose(pipe);
        }
        return out;
    }
};

TEST_F(PageIdentity, SpecialModeBitsStay)
{
    for (const mode_t mode : {04755, 06755, 02755, 04644, 01644}) {
        const std::string path = Write("page.htm", kSmallPage);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(Compress(path)) << std::oct << mode;
        struct stat info;
        ::stat(path.c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(Read(path), kSmallResult);
    }
}

TEST_F(PageIdentity, AclsAndExtendedAttributesStay)
{
    const std::string path = Write("page.htm", kSmallPage);
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(::setxattr(path.c_str(), "user.origin", "site", 4, 0), 0);
    ASSERT_EQ(std::system(("setfacl -m u:54321:rw " + path).c_str()), 0) << "setfacl (package acl) is needed";
    const std::string before = Shell("getfacl -np " + path);
    ASSERT_NE(before.find("user:54321:rw-"), std::string::npos);

    ASSERT_TRUE(Compress(path));
    EXPECT_EQ(Read(path), kSmallResult);
    EXPECT_EQ(Shell("getfacl -np " + path), before);
    char value[16] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.origin", value, sizeof value), 4);
    EXPECT_STREQ(value, "site");
}

TEST_F(PageIdentity, HardLinksStayJoined)
{
    const std::string path = Write("page.htm", kSmallPage);
    const std::string other = (m_dir / "other.htm").string();
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    ASSERT_TRUE(Compress(path));
    EXPECT_EQ(Read(path), kSmallResult);
    EXPECT_EQ(Read(other), kSmallResult);
    EXPECT_EQ(fs::hard_link_count(path), 2u);
    EXPECT_EQ(EntryCount(), 2u) << "the recovery copy must be gone";
}

TEST_F(PageIdentity, ChangedOrSwappedDuringCompressionFails)
{
    const std::string secret = Write("secret", "root only");
    ::chmod(secret.c_str(), 0600);
    const std::string path = (m_dir / "page.htm").string();
    const std::string edited = kSmallPage + "<p>added</p>\n";
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"appended", [&] { std::ofstream(path, std::ios::app) << "<p>added</p>\n"; }},
        {"editor's save", [&] { fs::rename(Write("new.htm", edited), path); }},
        {"swapped for a link", [&] { fs::remove(path), fs::create_symlink(secret, path); }},
    };
    for (const auto& [what, change] : changes) {
        fs::remove(path);
        Write("page.htm", kSmallPage);
        ASSERT_TRUE(m_hc.LoadFromFile(path));
        m_hc.Compress();
        change();
        EXPECT_FALSE(m_hc.SaveToFile(path)) << what;
        EXPECT_EQ(m_hc.LastStatus(), FileStatus::Changed) << what;
        EXPECT_EQ(Read(path), fs::is_symlink(path) ? "root only" : edited) << what;
        EXPECT_EQ(Read(secret), "root only");
    }
    EXPECT_STREQ(FileStatusText(FileStatus::Changed), "changed during compression");
}

TEST_F(PageIdentity, LongestNamesSave)
{
    const std::string name = std::string(251, 'n') + ".htm";
    const std::string path = Write(name, kSmallPage);
    ASSERT_TRUE(Compress(path)) << FileStatusText(m_hc.LastStatus());
    EXPECT_EQ(Read(path), kSmallResult);
}

TEST_F(PageIdentity, AFolderReplacedBetweenPagesIsOpenedAfresh)
{
    fs::create_directory(m_dir / "sub");
    const std::string path = (m_dir / "sub" / "page.htm").string();
    Write("sub/page.htm", kSmallPage);
    ASSERT_TRUE(Compress(path));
    fs::rename(m_dir / "sub", m_dir / "old");
    fs::create_directory(m_dir / "sub");
    Write("sub/page.htm", kSmallPage);
    ASSERT_TRUE(Compress(path));
    EXPECT_EQ(Read(path), kSmallResult);
    EXPECT_EQ(Read((m_dir / "old" / "page.htm").string()), kSmallResult);
}

TEST_F(PageIdentity, WideTextIsLeftAlone)
{
    for (const std::string& bom : {std::string("\xFF\xFE"), std::string("\xFE\xFF"),
                                  std::string("\xFF\xFE\0\0", 4), std::string("\0\0\xFE\xFF", 4)}) {
        std::string page = bom;
        for (char c : std::string("<p align=\"center\">x</p>"))
            page += bom[0] == '\xFF' ? std::string{c, '\0'} : std::string{'\0', c};
        const std::string path = Write("wide.htm", page);
        EXPECT_FALSE(m_hc.LoadFromFile(path));
        EXPECT_EQ(m_hc.LastStatus(), FileStatus::UnsupportedEncoding);
        EXPECT_EQ(Read(path), page);
    }
    // Without a mark: told by where its NULs fall. A stray NUL or two in a byte-wide page is no sign.
    const std::string text = "<p>a  b</p>\n";
    for (const auto& [width, bigEndian] : {std::pair{2, true}, {2, false}, {4, true}, {4, false}}) {
        std::string page;
        for (char c : text) {
            std::string unit(std::size_t(width), '\0');
            unit[bigEndian ? unit.size() - 1 : 0] = c;
            page += unit;
        }
        const std::string path = Write("wide.htm", page);
        EXPECT_FALSE(m_hc.LoadFromFile(path)) << width << bigEndian;
        EXPECT_EQ(m_hc.LastStatus(), FileStatus::UnsupportedEncoding);
        EXPECT_EQ(Read(path), page);
    }
    std::string stray;
    for (int i = 0; i < 10; ++i)
        stray += text;
    stray[20] = stray[24] = '\0';
    EXPECT_TRUE(m_hc.LoadFromFile(Write("stray.htm", stray)));
}

TEST_F(PageIdentity, DeadRunsLeftoversGoLiveOnesStay)
{
    const std::string page = Write("page.htm", kPageResult.substr(0, 9)); // half rewritten
    struct stat info;
    ::stat(page.c_str(), &info);
    const std::string recovery = "corvane recovery 1\n" + std::to_string(info.st_dev) + " " +
                                 std::to_string(info.st_ino) + " 8\npage.htm\n" + kPage;
    Write(".corvane-0123456789ab.rec", recovery);
    Write(".corvane-dead00000000.tmp", "dead");
    const std::string live = Write(".corvane-live00000000.tmp", "live");
    Write(".corvane-mine.tmp", "not ours");
    Write(".page.htm.corvane-AbC123", "not ours either");
    const int held = ::open(live.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // Another user's "leftover" is none of ours: put back, it would write their bytes into a page.
    const std::string kept = Write("kept.htm", kSmallPage);
    ::stat(kept.c_str(), &info);
    const std::string planted = Write(".corvane-0123456789cd.rec", "corvane recovery 1\n" + std::to_string(info.st_dev) +
                                                                       " " + std::to_string(info.st_ino) +
                                                                       " 8\nkept.htm\nplanted");
    if (::geteuid() != 0 || ::chown(planted.c_str(), 4242, 4242) != 0)
        fs::remove(planted); // only root can make a file of another owner

    EXPECT_EQ(filestore::RemoveStaleTemporaries(m_dir.string()), 2);
    ::close(held);
    EXPECT_EQ(Read(page), kPage) << "the old bytes come back";
    EXPECT_EQ(Read(kept), kSmallPage);
    EXPECT_FALSE(fs::exists(m_dir / ".corvane-0123456789ab.rec"));
    EXPECT_FALSE(fs::exists(m_dir / ".corvane-dead00000000.tmp"));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_EQ(EntryCount(), fs::exists(planted) ? 6u : 5u);
}

// A recovery copy is put back only when whole: one the run died while writing was made before its
// page was touched, so it just goes.
TEST_F(PageIdentity, RecoveryCopiesArePutBackOnlyWhenWhole)
{
    const auto header = [](const std::string& page, const std::string& content) {
        struct stat info;
        ::stat(page.c_str(), &info);
        unsigned long long hash = 14695981039346656037ull;
        for (unsigned char c : content)
            hash = (hash ^ c) * 1099511628211ull;
        const std::string name = fs::path(page).filename().string();
        return "corvane recovery 2\n" + std::to_string(info.st_dev) + " " + std::to_string(info.st_ino) + " " +
               std::to_string(name.size()) + " " + std::to_string(content.size()) + " " + std::to_string(hash) +
               "\n" + name + "\n";
    };
    const std::string half = kPageResult.substr(0, 9);
    const std::string whole = Write(" \nwhole.htm", half); // a name that starts with white space
    Write(".corvane-000000000001.rec", header(whole, kPage) + kPage);
    std::vector<std::string> untouched;
    const auto torn = [&](const std::string& copy) {
        untouched.push_back(Write("t" + std::to_string(untouched.size()) + ".htm", kPageResult));
        const std::string text = copy.empty() || copy[0] == 'c' ? copy : header(untouched.back(), kPage) + copy;
        Write(".corvane-00000000010" + std::to_string(untouched.size()) + ".rec", text);
    };
    torn("");                                  // created, nothing written
    torn("corvane rec");                       // the first line cut short
    torn("x");                                 // header, then a byte of old text
    torn(kPage.substr(0, kPage.size() - 1));   // the old text less its last byte
    torn(std::string(kPage.size(), '\0'));     // the right length, never written

    EXPECT_EQ(filestore::RemoveStaleTemporaries(m_dir.string()), 6);
    EXPECT_EQ(Read(whole), kPage) << "the old bytes come back";
    for (const std::string& page : untouched)
        EXPECT_EQ(Read(page), kPageResult) << page;
    EXPECT_EQ(EntryCount(), 1 + untouched.size());
}

TEST_F(PageIdentity, BatchPutsPagesInPlaceOnlyAtFlushAndEachFailsAlone)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i)
        paths.push_back(Write("p" + std::to_string(i) + ".htm", kSmallPage));
    const std::string link = (m_dir / "link.htm").string();
    ASSERT_EQ(::link(paths[2].c_str(), link.c_str()), 0); // rewritten in place, behind a recovery copy
    {
        filestore::PageBatch batch;
        for (const std::string& path : paths) {
            ASSERT_TRUE(m_hc.LoadFromFile(path));
            m_hc.Compress();
            ASSERT_TRUE(m_hc.SaveToFile(path, batch)) << FileStatusText(m_hc.LastStatus());
        }
        EXPECT_EQ(EntryCount(), 6u + 4u) << "one temporary per replaced page, nothing in place yet";
        for (const std::string& path : paths)
            EXPECT_EQ(Read(path), kSmallPage);
        std::ofstream(paths[1], std::ios::app) << "<p>added</p>\n";
        ::chmod(paths[3].c_str(), 0444);
        EXPECT_EQ(batch.Flush(), (std::vector<FileStatus>{FileStatus::Ok, FileStatus::Changed, FileStatus::Ok,
                                                          FileStatus::NotWritable, FileStatus::Ok}));
        EXPECT_TRUE(batch.IsEmpty());
    }
    EXPECT_EQ(Read(paths[0]), kSmallResult);
    EXPECT_EQ(Read(paths[1]), kSmallPage + "<p>added</p>\n");
    EXPECT_EQ(Read(paths[2]), kSmallResult);
    EXPECT_EQ(Read(link), kSmallResult);
    EXPECT_EQ(Read(paths[3]), kSmallPage);
    EXPECT_EQ(Read(paths[4]), kSmallResult);
    EXPECT_EQ(EntryCount(), 6u);

    // A batch given up before its flush leaves its pages and no temporary.
    Write("link.htm", kSmallPage); // through the same file: both names hold the old page again
    {
        filestore::PageBatch batch;
        ASSERT_TRUE(m_hc.LoadFromFile(link));
        m_hc.Compress();
        ASSERT_TRUE(m_hc.SaveToFile(link, batch));
        ASSERT_TRUE(m_hc.LoadFromFile(paths[1]));
        m_hc.Compress();
        ASSERT_TRUE(m_hc.SaveToFile(paths[1], batch));
    }
    EXPECT_EQ(Read(paths[1]), kSmallPage + "<p>added</p>\n");
    EXPECT_EQ(Read(paths[2]), kSmallPage);
    EXPECT_EQ(EntryCount(), 6u);

    // A page that fails as it is added has no part in the flush: the results stay with their pages.
    fs::create_directory(m_dir / "shut");
    const std::string shut = Write("shut/p.htm", kSmallPage);
    filestore::PageBatch batch;
    ASSERT_TRUE(m_hc.LoadFromFile(shut));
    m_hc.Compress();
    ::chmod((m_dir / "shut").c_str(), 0555);
    EXPECT_FALSE(m_hc.SaveToFile(shut, batch));
    ::chmod((m_dir / "shut").c_str(), 0755);
    ASSERT_TRUE(m_hc.LoadFromFile(paths[1]));
    m_hc.Compress();
    ASSERT_TRUE(m_hc.SaveToFile(paths[1], batch));
    EXPECT_EQ(batch.Flush(), std::vector<FileStatus>{FileStatus::Ok});
}

TEST_F(PageIdentity, BatchIsBoundedByBytesPagesAndDescriptors)
{
    filestore::PageBatch bytes(2 * kSmallResult.size(), 100);
    filestore::PageBatch pages(1 << 20, 3);
    for (int i = 0; i < 3; ++i) {
        for (filestore::PageBatch* batch : {&bytes, &pages}) {
            const std::string path = Write("p" + std::to_string(i) + (batch == &bytes ? "b" : "p") + ".htm", kSmallPage);
            ASSERT_TRUE(m_hc.LoadFromFile(path));
            m_hc.Compress();
            ASSERT_TRUE(m_hc.SaveToFile(path, *batch));
        }
        EXPECT_EQ(bytes.Full(), i >= 1);
        EXPECT_EQ(pages.Full(), i >= 2);
    }

    // Each waiting page holds three descriptors: a low limit makes smaller batches.
    struct rlimit old;
    ::getrlimit(RLIMIT_NOFILE, &old);
    struct rlimit low = old;
    low.rlim_cur = 256;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const std::size_t lowPages = filestore::PageBatch().MaxPages();
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_GE(lowPages, 1u);
    EXPECT_LE(lowPages, (256u - 64u) / 3u);
}

} // namespace
