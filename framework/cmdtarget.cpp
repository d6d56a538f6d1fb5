// Message maps: the lookup of a handler along a class's chain of tables, and the routing of a command
// to it. No window system is involved; windows hand their messages in here.
#include "framework/afxwin.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
            if (entry->nMessage != message) continue;
            // Control ids travel as 16 bits in WM_COMMAND: IDC_STATIC (-1) arrives as 0xFFFF.
            if (message == WM_COMMAND && (entry->nCode != code || (entry->nID & 0xFFFF) != (id & 0xFFFF))) continue;
            return entry;
        }
        if (!map->pfnGetBaseMap) break;
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!entry) return FALSE;
    entry->pfn(this, 0, 0);
    return TRUE;
}
