#include "platform/win/accel.h"

#include <algorithm>
#include <map>
#include <vector>

namespace platform::win {

namespace {

std::map<HACCEL, std::vector<ACCEL>> &tables()
{
    static std::map<HACCEL, std::vector<ACCEL>> t;
    return t;
}

} // namespace

HACCEL CreateAcceleratorTableA(const ACCEL *entries, int count)
{
    if (!entries || count <= 0)
        return 0;
    static HACCEL next = 0x7000;
    HACCEL h = ++next;
    while (h == 0 || tables().count(h))
        h = ++next;
    tables()[h] = std::vector<ACCEL>(entries, entries + count);
    return h;
}

BOOL DestroyAcceleratorTable(HACCEL table)
{
    return tables().erase(table) > 0 ? TRUE : FALSE;
}

int CopyAcceleratorTableA(HACCEL table, ACCEL *entries, int count)
{
    const auto it = tables().find(table);
    if (it == tables().end())
        return 0;
    const int size = static_cast<int>(it->second.size());
    if (!entries)
        return size;
    const int n = std::clamp(count, 0, size);
    std::copy_n(it->second.begin(), n, entries);
    return n;
}

bool MatchAccelerator(HACCEL table, int vk, int shift, WORD *cmd)
{
    const auto it = tables().find(table);
    if (it == tables().end())
        return false;
    for (const ACCEL &a : it->second) {
        if (!(a.fVirt & FVIRTKEY) || a.key != vk)
            continue;
        const bool wantShift = a.fVirt & FSHIFT, wantCtrl = a.fVirt & FCONTROL, wantAlt = a.fVirt & FALT;
        if (wantShift != bool(shift & 1) || wantCtrl != bool(shift & 2) || wantAlt != bool(shift & 4))
            continue;
        if (cmd)
            *cmd = a.cmd;
        return true;
    }
    return false;
}

} // namespace platform::win
