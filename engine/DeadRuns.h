#pragma once

#include <string>
#include <utility>
#include <vector>

// Clearing up after runs that died: their temporaries go, and each recovery copy of a page they
// were rewriting in place is judged against the page. A page still torn as the run left it gets
// its old bytes back; a page that holds the old or the whole new content only loses the copy; a
// page written since is never rolled back: the copy's bytes are kept aside for the user. Copies
// that cannot be trusted or matched stay and are reported, with the pages they name, in every
// run until the user removes them. Files a live run holds locked are left alone, and another
// user's copy is never applied (only its torn page is reported).
namespace filestore {

struct DeadRunFinding
{
    enum Kind
    {
        KeptAside,     // its page was written since; `copy` is the file holding the old bytes now
        Damaged,       // cut short or altered
        UnknownFormat, // not a copy this program can read
        Unmatched,     // its page cannot be found, or cannot be opened
        NotRestored,   // its torn page could not be written back
        Foreign,       // another user's interrupted run left its page torn
    };
    Kind kind;
    std::string copy;
    std::string page; // empty when the copy does not say
};

struct DeadRunReport
{
    int removed = 0; // temporaries and copies that went, their pages whole
    std::vector<DeadRunFinding> findings;
    // Device and inode of pages an interrupted run may have left torn: not to be compressed.
    std::vector<std::pair<unsigned long long, unsigned long long>> damagedPages;
};

// Whether an open folder may hold what a run left (true too when it cannot be listed): where it
// holds nothing, RecoverDeadRuns has nothing to do.
[[nodiscard]] bool HoldsLeftovers(int folderFd);

// Clears up one folder (a path as the run lists it).
[[nodiscard]] DeadRunReport RecoverDeadRuns(const std::string& folder);

} // namespace filestore
