// Loading and saving real files: what is refused, what is kept, and that nothing is ever left
// half-written.
#include "engine/FileStore.h"
#include "engine/HTMLCompressor.h"
#include "engine/PageBatch.h"
#include "engine/SpareFiles.h"
#include "PageFolder.h"

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
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class EngineFile : public PageFolder
{
protected:
    THTMLCompressor m_hc;
};

const std::string kPage = "<p align=\"center\">\r\n<STRONG>Hello</STRONG>  world\r\n</p>\r\n<pre>a  b</pre>";
const std::string kPageResult = "<center><b>Hello</b> world</center><pre>a  b</pre>";

TEST_F(EngineFile, CompressesInPlaceAndKeepsPermissions)
{
    const std::string path = Write("page.htm", kPage);
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
    EXPECT_EQ(m_hc.LoadedLength(), 72u);
    m_hc.Compress();
    EXPECT_EQ(m_hc.ResultLength(), 50u);
    ASSERT_EQ(m_hc.SaveToFile(path), FileStatus::Ok);
    EXPECT_EQ(Read(path), kPageResult);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryCount(), 1u) << "no temporary file may be left behind";
    // The same result can be saved again.
    EXPECT_EQ(m_hc.SaveToFile(path), FileStatus::Ok);
    EXPECT_EQ(Read(path), kPageResult);
}

TEST_F(EngineFile, MissingFileFailsAndForgetsTheEarlierDocument)
{
    const std::string path = Write("page.htm", kPage);
    ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
    EXPECT_EQ(m_hc.LoadFromFile((m_dir / "gone.htm").string()), FileStatus::Missing);
    m_hc.Compress();
    EXPECT_FALSE(m_hc.IsCompressed());
    // The earlier page must never be written over another file.
    const std::string other = Write("other.htm", "x");
    EXPECT_EQ(m_hc.SaveToFile(other), FileStatus::NothingToSave);
    EXPECT_EQ(Read(other), "x");
}

TEST_F(EngineFile, NothingToSaveLeavesTheFileAlone)
{
    // empty file
    const std::string empty = Write("empty.htm", "");
    ASSERT_EQ(m_hc.LoadFromFile(empty), FileStatus::Ok);
    m_hc.Compress();
    EXPECT_EQ(m_hc.SaveToFile(empty), FileStatus::NothingToSave);
    EXPECT_EQ(fs::file_size(empty), 0u);

    // a page that compresses to nothing
    const std::string marker = Write("marker.htm", "<!--webbot bot=Timestamp startspan -->");
    ASSERT_EQ(m_hc.LoadFromFile(marker), FileStatus::Ok);
    m_hc.Compress();
    EXPECT_TRUE(m_hc.IsCompressed());
    EXPECT_EQ(m_hc.ResultLength(), 0u);
    EXPECT_EQ(m_hc.SaveToFile(marker), FileStatus::NothingToSave);
    EXPECT_EQ(Read(marker), "<!--webbot bot=Timestamp startspan -->");

    // loaded but not compressed: refused, file untouched
    const std::string page = Write("page.htm", kPage);
    ASSERT_EQ(m_hc.LoadFromFile(page), FileStatus::Ok);
    EXPECT_EQ(m_hc.SaveToFile(page), FileStatus::NothingToSave);
    EXPECT_EQ(Read(page), kPage);
}

TEST_F(EngineFile, ReadOnlyFileIsNeverRewritten)
{
    const std::string path = Write("page.htm", kPage);
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(m_hc.LoadFromFile(path), FileStatus::NotWritable);

    // made read-only between load and save
    ::chmod(path.c_str(), 0644);
    ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
    m_hc.Compress();
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(m_hc.SaveToFile(path), FileStatus::NotWritable);
    EXPECT_EQ(Read(path), kPage);
}

TEST_F(EngineFile, FolderNotWritableAtSaveTime)
{
    const std::string path = Write("page.htm", kPage);
    ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
    m_hc.Compress();
    ::chmod(m_dir.c_str(), 0555);
    EXPECT_EQ(m_hc.SaveToFile(path), FileStatus::NotWritable);
    ::chmod(m_dir.c_str(), 0755);
    EXPECT_EQ(Read(path), kPage);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(EngineFile, WriteFailureKeepsTheOriginalAndRemovesTheTemporary)
{
    // A file size limit makes the write fail part way, whoever runs the test.
    const std::string big(4096, 'x');
    const std::string path = Write("page.htm", big + "    " + big);
    ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
    m_hc.Compress();
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const FileStatus saved = m_hc.SaveToFile(path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(saved, FileStatus::WriteFailed);
    EXPECT_EQ(Read(path), big + "    " + big);
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(EngineFile, SymbolicLinkStaysALink)
{
    const std::string target = Write("real.htm", kPage);
    const fs::path link = m_dir / "link.htm";
    fs::create_symlink(target, link);
    ASSERT_EQ(m_hc.LoadFromFile(link.string()), FileStatus::Ok);
    m_hc.Compress();
    ASSERT_EQ(m_hc.SaveToFile(link.string()), FileStatus::Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(target), kPageResult);
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(EngineFile, FoldersAreNoDocuments)
{
    EXPECT_NE(m_hc.LoadFromFile(m_dir.string()), FileStatus::Ok);
}

} // namespace

namespace {

const std::string kSmallPage = "<p align=\"center\">\n  <b>Hi</b>   x\n</p>\n";
const std::string kSmallResult = THTMLCompressor().CompressBytes(kSmallPage);

// Load, compress and save one page: how the first step that failed ended, or Ok.
FileStatus CompressFile(THTMLCompressor& hc, const std::string& path)
{
    const FileStatus loaded = hc.LoadFromFile(path);
    if (loaded != FileStatus::Ok)
        return loaded;
    hc.Compress();
    return hc.SaveToFile(path);
}

std::vector<FileStatus> Statuses(const std::vector<filestore::PageResult>& results)
{
    std::vector<FileStatus> statuses;
    for (const filestore::PageResult& result : results)
        statuses.push_back(result.status);
    return statuses;
}

class PageIdentity : public EngineFile
{
protected:
    FileStatus Compress(const std::string& path) { return CompressFile(m_hc, path); }
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
        ASSERT_EQ(Compress(path), FileStatus::Ok) << std::oct << mode;
        struct stat info;
        ::stat(path.c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(Read(path), kSmallResult);
    }
}

// Rewritten by another user, a page would lose set-id bits that user may not set again: it is
// left as it is instead.
TEST_F(PageIdentity, SetIdBitsThatCouldNotBeRestoredStopTheRewrite)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run as another user";
    struct Case
    {
        mode_t mode;
        uid_t owner;
    };
    // Another user's pages open to the runner, and the runner's own set-group-id page of a group
    // it is not in (a second name makes it one rewritten in place).
    for (const Case& c : {Case{04777, 0}, Case{02676, 0}, Case{02774, 4242}}) {
        const std::string path = Write("page.htm", kSmallPage);
        ASSERT_EQ(::chown(path.c_str(), c.owner, 0), 0);
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        ASSERT_EQ(::link(path.c_str(), (path + ".also").c_str()), 0);
        ::chmod(m_dir.c_str(), 0777);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(4242) != 0 || ::setuid(4242) != 0)
                ::_exit(99);
            THTMLCompressor hc;
            const FileStatus saved = CompressFile(hc, path);
            ::_exit(saved == FileStatus::Ok ? 98 : int(saved));
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), int(FileStatus::SetIdNotKept)) << std::oct << c.mode;
        EXPECT_EQ(Read(path), kSmallPage) << std::oct << c.mode;
        struct stat info;
        ::stat(path.c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
        fs::remove(path + ".also");
    }
}

// Rewriting a page into the same bytes would only give it a new date and inode.
TEST_F(PageIdentity, APageThatDoesNotShrinkIsNotRewritten)
{
    const std::string path = Write("page.htm", kSmallResult);
    struct stat before;
    ::stat(path.c_str(), &before);
    ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
    m_hc.Compress();
    EXPECT_EQ(m_hc.SaveToFile(path), FileStatus::NothingToSave);
    struct stat after;
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(PageIdentity, AclsAndExtendedAttributesStay)
{
    const std::string path = Write("page.htm", kSmallPage);
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(::setxattr(path.c_str(), "user.origin", "site", 4, 0), 0);
    ASSERT_EQ(std::system(("setfacl -m u:54321:rw " + path).c_str()), 0) << "setfacl (package acl) is needed";
    const std::string before = Shell("getfacl -np " + path);
    ASSERT_NE(before.find("user:54321:rw-"), std::string::npos);

    ASSERT_EQ(Compress(path), FileStatus::Ok);
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
    ASSERT_EQ(Compress(path), FileStatus::Ok);
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
        ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
        m_hc.Compress();
        change();
        EXPECT_EQ(m_hc.SaveToFile(path), FileStatus::Changed) << what;
        EXPECT_EQ(Read(path), fs::is_symlink(path) ? "root only" : edited) << what;
        EXPECT_EQ(Read(secret), "root only");
    }
    EXPECT_STREQ(FileStatusText(FileStatus::Changed), "changed during compression");
}

TEST_F(PageIdentity, LongestNamesSave)
{
    const std::string name = std::string(251, 'n') + ".htm";
    const std::string path = Write(name, kSmallPage);
    ASSERT_EQ(Compress(path), FileStatus::Ok);
    EXPECT_EQ(Read(path), kSmallResult);
}

TEST_F(PageIdentity, AFolderReplacedBetweenPagesIsOpenedAfresh)
{
    fs::create_directory(m_dir / "sub");
    const std::string path = (m_dir / "sub" / "page.htm").string();
    Write("sub/page.htm", kSmallPage);
    ASSERT_EQ(Compress(path), FileStatus::Ok);
    fs::rename(m_dir / "sub", m_dir / "old");
    fs::create_directory(m_dir / "sub");
    Write("sub/page.htm", kSmallPage);
    ASSERT_EQ(Compress(path), FileStatus::Ok);
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
        EXPECT_EQ(m_hc.LoadFromFile(path), FileStatus::UnsupportedEncoding);
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
        EXPECT_EQ(m_hc.LoadFromFile(path), FileStatus::UnsupportedEncoding) << width << bigEndian;
        EXPECT_EQ(Read(path), page);
    }
    std::string stray;
    for (int i = 0; i < 10; ++i)
        stray += text;
    stray[20] = stray[24] = '\0';
    EXPECT_EQ(m_hc.LoadFromFile(Write("stray.htm", stray)), FileStatus::Ok);
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
            ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
            m_hc.Compress();
            ASSERT_EQ(m_hc.SaveToFile(path, batch), FileStatus::Ok);
        }
        EXPECT_EQ(EntryCount(), 6u + 4u) << "one temporary per replaced page, nothing in place yet";
        for (const std::string& path : paths)
            EXPECT_EQ(Read(path), kSmallPage);
        std::ofstream(paths[1], std::ios::app) << "<p>added</p>\n";
        ::chmod(paths[3].c_str(), 0444);
        EXPECT_EQ(Statuses(batch.Flush()), (std::vector<FileStatus>{FileStatus::Ok, FileStatus::Changed, FileStatus::Ok,
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
        ASSERT_EQ(m_hc.LoadFromFile(link), FileStatus::Ok);
        m_hc.Compress();
        ASSERT_EQ(m_hc.SaveToFile(link, batch), FileStatus::Ok);
        ASSERT_EQ(m_hc.LoadFromFile(paths[1]), FileStatus::Ok);
        m_hc.Compress();
        ASSERT_EQ(m_hc.SaveToFile(paths[1], batch), FileStatus::Ok);
    }
    EXPECT_EQ(Read(paths[1]), kSmallPage + "<p>added</p>\n");
    EXPECT_EQ(Read(paths[2]), kSmallPage);
    EXPECT_EQ(EntryCount(), 6u);

    // A page that fails as it is added has no part in the flush: the results stay with their pages.
    fs::create_directory(m_dir / "shut");
    const std::string shut = Write("shut/p.htm", kSmallPage);
    filestore::PageBatch batch;
    ASSERT_EQ(m_hc.LoadFromFile(shut), FileStatus::Ok);
    m_hc.Compress();
    ::chmod((m_dir / "shut").c_str(), 0555);
    EXPECT_NE(m_hc.SaveToFile(shut, batch), FileStatus::Ok);
    ::chmod((m_dir / "shut").c_str(), 0755);
    ASSERT_EQ(m_hc.LoadFromFile(paths[1]), FileStatus::Ok);
    m_hc.Compress();
    ASSERT_EQ(m_hc.SaveToFile(paths[1], batch), FileStatus::Ok);
    EXPECT_EQ(Statuses(batch.Flush()), std::vector<FileStatus>{FileStatus::Ok});
}

// The files of replaced pages become later temporaries, across folders, and every page still gets
// its own mode and bytes; a file someone still reads, or one with attributes or flags, is never
// reused, and closing the run leaves no spare behind.
TEST_F(PageIdentity, ReplacedPagesLendTheirFilesToLaterOnes)
{
    fs::create_directory(m_dir / "b");
    const std::vector<std::string> paths = {Write("a1.htm", kSmallPage),        Write("a2.htm", kSmallPage + "<p>2</p>"),
                                            Write("a3.htm", kSmallPage),        Write("a4.htm", kSmallPage),
                                            Write("b/b1.htm", kSmallPage + "<p>b</p>"), Write("b/b2.htm", kSmallPage),
                                            Write("b/b3.htm", kSmallPage),      Write("b/b4.htm", kSmallPage)};
    const mode_t modes[] = {0644, 0600, 0640, 0644, 0604, 0664, 0620, 0644};
    // A file by inode and birth time: the file system may give a freed inode number to a new file.
    const auto fileOf = [](const std::string& path) {
        struct statx info = {};
        ::statx(AT_FDCWD, path.c_str(), 0, STATX_INO | STATX_BTIME, &info);
        return std::tuple(info.stx_ino, info.stx_btime.tv_sec, info.stx_btime.tv_nsec,
                          (info.stx_mask & STATX_BTIME) != 0);
    };
    std::vector<decltype(fileOf(""))> before;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        ASSERT_EQ(::chmod(paths[i].c_str(), modes[i]), 0);
        before.push_back(fileOf(paths[i]));
    }
    const int reader = ::open(paths[1].c_str(), O_RDONLY); // someone serving a2 meanwhile
    const bool attributes = ::setxattr(paths[2].c_str(), "user.mark", "x", 1, 0) == 0;
    const auto flagsOf = [](const std::string& path) {
        int flags = 0;
        const int fd = ::open(path.c_str(), O_RDONLY);
        (void)::ioctl(fd, FS_IOC_GETFLAGS, &flags);
        ::close(fd);
        return flags;
    };
    const int fd = ::open(paths[3].c_str(), O_RDONLY);
    int noDump = flagsOf(paths[3]) | FS_NODUMP_FL;
    const bool flagged = ::ioctl(fd, FS_IOC_SETFLAGS, &noDump) == 0;
    ::close(fd);
    {
        filestore::SpareFileScope spares;
        filestore::PageBatch batch(1 << 20, 4);
        for (const std::string& path : paths) {
            ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
            m_hc.Compress();
            ASSERT_EQ(m_hc.SaveToFile(path, batch), FileStatus::Ok);
            if (batch.Full()) {
                EXPECT_EQ(Statuses(batch.Flush()), std::vector<FileStatus>(4, FileStatus::Ok));
            }
        }
    }
    std::vector<decltype(fileOf(""))> after;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        struct stat info;
        ASSERT_EQ(::stat(paths[i].c_str(), &info), 0);
        after.push_back(fileOf(paths[i]));
        EXPECT_EQ(info.st_mode & 07777, modes[i]) << paths[i];
        EXPECT_EQ(Read(paths[i]), THTMLCompressor().CompressBytes(Read(paths[i]))) << paths[i];
        char value[4];
        EXPECT_EQ(::getxattr(paths[i].c_str(), "user.mark", value, sizeof value) > 0, attributes && i == 2) << paths[i];
        EXPECT_EQ(flagsOf(paths[i]) & FS_NODUMP_FL, 0) << paths[i];
    }
    EXPECT_EQ(Read(paths[5]), kSmallResult);
    // The second batch's temporaries were files of the first: a1 in place of one of b's pages.
    const auto reused = [&](std::size_t i) { return std::find(after.begin() + 4, after.end(), before[i]) != after.end(); };
    if (std::get<3>(before[0])) {
        EXPECT_TRUE(reused(0));
        EXPECT_FALSE(reused(1)) << "a2 was open elsewhere";
        EXPECT_EQ(reused(2), !attributes);
        EXPECT_EQ(reused(3), !flagged);
    }
    char old[64] = {};
    EXPECT_EQ(::pread(reader, old, sizeof old - 1, 0), ssize_t(kSmallPage.size() + 8));
    EXPECT_EQ(old, kSmallPage + "<p>2</p>");
    ::close(reader);
    EXPECT_EQ(EntryCount(), 5u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "b"), fs::directory_iterator()), 4);
}

TEST_F(PageIdentity, BatchIsBoundedByBytesPagesAndDescriptors)
{
    filestore::PageBatch bytes(2 * kSmallResult.size(), 100);
    filestore::PageBatch pages(1 << 20, 3);
    for (int i = 0; i < 3; ++i) {
        for (filestore::PageBatch* batch : {&bytes, &pages}) {
            const std::string path = Write("p" + std::to_string(i) + (batch == &bytes ? "b" : "p") + ".htm", kSmallPage);
            ASSERT_EQ(m_hc.LoadFromFile(path), FileStatus::Ok);
            m_hc.Compress();
            ASSERT_EQ(m_hc.SaveToFile(path, *batch), FileStatus::Ok);
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
