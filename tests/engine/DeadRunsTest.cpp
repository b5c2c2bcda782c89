// What a run that died leaves, and what the next run makes of it: a torn page gets its old bytes
// back, a page written since is never rolled back, and nothing that cannot be trusted is applied
// or silently dropped. Also edits that land while a page is rewritten in place.
#include "engine/DeadRuns.h"
#include "engine/FileStore.h"
#include "engine/HTMLCompressor.h"
#include "PageFolder.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Several 4 KiB blocks, so that a page can be torn between them.
const std::string kOld = [] {
    std::string page;
    for (int i = 0; i < 600; ++i)
        page += "<p>line  " + std::to_string(i) + "</p>\n";
    return page;
}();
const std::string kNew = THTMLCompressor().CompressBytes(kOld);

std::string Mark(const std::string& path)
{
    char value[4096];
    const ssize_t n = ::getxattr(path.c_str(), "user.corvane.recovery", value, sizeof value);
    return n > 0 ? std::string(value, std::size_t(n)) : std::string();
}

std::vector<filestore::DeadRunFinding::Kind> Kinds(const filestore::DeadRunReport& report)
{
    std::vector<filestore::DeadRunFinding::Kind> kinds;
    for (const auto& finding : report.findings)
        kinds.push_back(finding.kind);
    std::sort(kinds.begin(), kinds.end());
    return kinds;
}

class DeadRun : public PageFolder
{
protected:
    // Rewrites the page in place (it gets a second name for that) in a child that dies the moment
    // the new bytes are written: the page holds them over the old ones, with the old tail still
    // after them. Returns the path of the recovery copy left.
    std::string Interrupt(const std::string& path, const std::string& otherName = "")
    {
        const std::string other = otherName.empty() ? path + ".also" : otherName;
        EXPECT_EQ(::link(path.c_str(), other.c_str()), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            filestore::PageFile page;
            std::string bytes;
            if (page.Open(path, bytes) != FileStatus::Ok)
                ::_exit(1);
            const std::string result = THTMLCompressor().CompressBytes(bytes);
            page.SetInPlaceWriteHook([] { ::_exit(0); });
            (void)page.Save(result.data(), result.size());
            ::_exit(2);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(Read(path), kNew + kOld.substr(kNew.size()));
        return Mark(path);
    }
};

TEST_F(DeadRun, TornPagesComeBackAndPagesWrittenSinceAreNeverRolledBack)
{
    std::map<std::string, std::string> pages; // name, content before the next run
    for (const std::string name : {"torn", "regenerated", "appended", "finished", "untouched"}) {
        const std::string path = Write(name + ".htm", kOld);
        ASSERT_FALSE(Interrupt(path).empty());
        if (name == "regenerated")
            std::ofstream(path) << "<p>REGENERATED</p>\n";
        else if (name == "appended")
            std::ofstream(path, std::ios::app) << "<p>added</p>\n";
        else if (name == "finished")
            std::ofstream(path) << kNew; // died after the rewrite was whole
        else if (name == "untouched")
            std::ofstream(path) << kOld; // died before it began
        pages[path] = Read(path);
    }
    const filestore::DeadRunReport report = filestore::RecoverDeadRuns(m_dir.string());
    using Finding = filestore::DeadRunFinding;
    EXPECT_EQ(Kinds(report), (std::vector<Finding::Kind>{Finding::KeptAside, Finding::KeptAside}));
    for (const Finding& finding : report.findings) {
        EXPECT_EQ(fs::path(finding.copy).extension(), ".kept");
        EXPECT_EQ(Read(finding.copy), kOld) << "the old bytes, ready to compare";
    }
    for (const auto& [path, before] : pages) {
        const bool torn = path.ends_with("torn.htm");
        EXPECT_EQ(Read(path), torn ? kOld : before) << path;
        EXPECT_EQ(Mark(path), "") << path;
    }
    EXPECT_EQ(EntryCount(), 2 * pages.size() + 2);
    EXPECT_TRUE(filestore::RecoverDeadRuns(m_dir.string()).findings.empty()) << "kept aside once, told once";
}

TEST_F(DeadRun, CopiesThatCannotBeTrustedStayAndAreReportedInEveryRun)
{
    const std::string cut = Write("cut.htm", kOld);
    const std::string cutCopy = Interrupt(cut);
    fs::resize_file(cutCopy, fs::file_size(cutCopy) - 1);
    const std::string flipped = Write("flipped.htm", kOld);
    const std::string flippedCopy = Interrupt(flipped);
    std::fstream(flippedCopy, std::ios::in | std::ios::out | std::ios::binary).seekp(-100, std::ios::end).put('#');
    Write(".corvane-000000000001.rec", "corvane recovery 2\n1 2 8\npage.htm\n");
    const std::string torn = kNew + kOld.substr(kNew.size());

    using Finding = filestore::DeadRunFinding;
    for (int run = 0; run < 2; ++run) {
        const filestore::DeadRunReport report = filestore::RecoverDeadRuns(m_dir.string());
        EXPECT_EQ(Kinds(report), (std::vector<Finding::Kind>{Finding::Damaged, Finding::Damaged, Finding::UnknownFormat}));
        EXPECT_EQ(report.damagedPages.size(), 2u);
        EXPECT_EQ(Read(cut), torn);
        EXPECT_EQ(Read(flipped), torn);
    }
    THTMLCompressor hc;
    EXPECT_EQ(hc.LoadFromFile(cut), FileStatus::Damaged);
    EXPECT_EQ(hc.LastRecoveryCopy(), cutCopy);
}

TEST_F(DeadRun, ATornPageIsNotCompressedUnderAnotherNameOrByAnotherUser)
{
    fs::create_directories(m_dir / "a");
    fs::create_directories(m_dir / "b");
    const std::string page = Write("a/p.htm", kOld);
    const std::string other = (m_dir / "b" / "p.htm").string();
    const std::string copy = Interrupt(page, other);
    THTMLCompressor hc;
    EXPECT_EQ(hc.LoadFromFile(other), FileStatus::Damaged);
    EXPECT_EQ(hc.LastRecoveryCopy(), copy);

    // Another user's copy is never applied, and its torn page is reported.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(copy.c_str(), 4242, 4242), 0);
        const filestore::DeadRunReport report = filestore::RecoverDeadRuns((m_dir / "a").string());
        ASSERT_EQ(report.findings.size(), 1u);
        EXPECT_EQ(report.findings[0].kind, filestore::DeadRunFinding::Foreign);
        EXPECT_EQ(report.damagedPages.size(), 1u);
        EXPECT_NE(hc.LoadFromFile(other), FileStatus::Ok);
        ASSERT_EQ(::chown(copy.c_str(), 0, 0), 0);
    }
    EXPECT_TRUE(filestore::RecoverDeadRuns((m_dir / "a").string()).findings.empty());
    ASSERT_EQ(hc.LoadFromFile(other), FileStatus::Ok);
    EXPECT_EQ(hc.Text(), kOld);

    // A copy the user removed holds the page back no longer.
    fs::remove(page);
    fs::remove(Interrupt(other, page));
    EXPECT_EQ(hc.LoadFromFile(other), FileStatus::Ok);
    EXPECT_EQ(Mark(other), "");
}

TEST_F(DeadRun, AnEditDuringAnInPlaceRewriteLosesNeitherVersion)
{
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> edits{
        {"appended", [](const std::string& path) { std::ofstream(path, std::ios::app) << "EDIT"; }},
        {"tail overwritten",
         [](const std::string& path) { std::fstream(path, std::ios::in | std::ios::out).seekp(-10, std::ios::end) << "EDIT"; }},
        {"start overwritten", [](const std::string& path) { std::fstream(path, std::ios::in | std::ios::out) << "EDIT"; }},
    };
    for (const auto& [what, edit] : edits) {
        const std::string path = Write(std::string(what) + ".htm", kOld);
        ASSERT_EQ(::link(path.c_str(), (path + ".also").c_str()), 0);
        filestore::PageFile page;
        std::string bytes;
        ASSERT_EQ(page.Open(path, bytes), FileStatus::Ok);
        page.SetInPlaceWriteHook([&, edit = edit] { edit(path); });
        EXPECT_EQ(page.Save(kNew.data(), kNew.size()), FileStatus::Changed) << what;
        EXPECT_NE(Read(path).find("EDIT"), std::string::npos) << what;
        EXPECT_EQ(fs::path(page.RecoveryCopyPath()).extension(), ".kept") << what;
        EXPECT_EQ(Read(page.RecoveryCopyPath()), kOld) << what;
        EXPECT_EQ(Mark(path), "") << what;
    }
    EXPECT_TRUE(filestore::RecoverDeadRuns(m_dir.string()).findings.empty());
}

// A temporary is never taken for a dead run's while its run is about to lock it.
TEST_F(DeadRun, RunsInOneFolderLeaveEachOthersTemporariesAlone)
{
    std::atomic<bool> done = false;
    std::thread cleaner([&] {
        while (!done)
            (void)filestore::RecoverDeadRuns(m_dir.string());
    });
    int failed = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::string path = Write("p.htm", kOld);
        filestore::PageFile page;
        std::string bytes;
        // Without waiting for the disk, so that many temporaries meet the clean-up.
        failed += page.Open(path, bytes) != FileStatus::Ok ||
                  page.WriteTemporary(kNew.data(), kNew.size()) != FileStatus::Ok || page.Commit() != FileStatus::Ok;
    }
    done = true;
    cleaner.join();
    EXPECT_EQ(failed, 0);
}

} // namespace
