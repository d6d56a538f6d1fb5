// Dropped files: the drop handle a dialog's WM_DROPFILES handler reads, in drop order.
#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "framework/afx_impl.h"

struct HDROP__ {
    std::vector<CString> paths;
};

namespace {

// Handles the framework has given out and not yet released: DragFinish on anything else is ignored,
// so a handler that releases its drop and the framework's own release after it cannot collide.
std::set<HDROP__*>& LiveDrops() {
    static std::set<HDROP__*> live;
    return live;
}

HDROP__* Live(HDROP drop) { return LiveDrops().count(drop) ? drop : nullptr; }

}  // namespace

UINT DragQueryFile(HDROP hDrop, UINT iFile, char* lpszFile, UINT cch) {
    HDROP__* drop = Live(hDrop);
    if (!drop) return 0;
    if (iFile == DRAG_QUERY_COUNT) return static_cast<UINT>(drop->paths.size());
    if (iFile >= drop->paths.size()) return 0;
    const CString& path = drop->paths[iFile];
    if (!lpszFile) return static_cast<UINT>(path.size());
    if (cch == 0) return 0;
    const size_t copied = std::min<size_t>(path.size(), cch - 1);
    std::memcpy(lpszFile, path.data(), copied);
    lpszFile[copied] = '\0';
    return static_cast<UINT>(copied);
}

CString DragQueryFilePath(HDROP hDrop, UINT iFile) {
    HDROP__* drop = Live(hDrop);
    if (!drop || iFile >= drop->paths.size()) return {};
    return drop->paths[iFile];
}

void DragFinish(HDROP hDrop) {
    if (HDROP__* drop = Live(hDrop)) {
        LiveDrops().erase(drop);
        delete drop;
    }
}

namespace afx {

HDROP NewDrop(std::vector<CString> paths) {
    auto* drop = new HDROP__{std::move(paths)};
    LiveDrops().insert(drop);
    return drop;
}

}  // namespace afx
