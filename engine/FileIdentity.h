#pragma once

// What a file looked like when it was read: the same file, unchanged, is the only one a save
// may replace.
namespace filestore {

struct Identity
{
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long mtimeSec = 0;
    long long mtimeNsec = 0;
    long long ctimeSec = 0;
    long long ctimeNsec = 0;
    unsigned mode = 0;
    unsigned uid = 0;
    unsigned gid = 0;
    unsigned long links = 0;

    // Same file, same size and times. Without `ctimeToo` a change of its attributes alone (our
    // own mark on a page being rewritten) does not count.
    [[nodiscard]] bool SameContent(const Identity& other, bool ctimeToo = true) const;
};

} // namespace filestore
