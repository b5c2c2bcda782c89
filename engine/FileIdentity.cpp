#include "FileIdentity.h"

namespace filestore {

bool Identity::SameContent(const Identity& other, bool ctimeToo) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           mtimeSec == other.mtimeSec && mtimeNsec == other.mtimeNsec &&
           (!ctimeToo || (ctimeSec == other.ctimeSec && ctimeNsec == other.ctimeNsec));
}

} // namespace filestore
