// Menus as data. The window that shows a menu rebuilds its widgets through m_onChanged.
#include "framework/afxwin.h"

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

BOOL CMenu::CreateMenu() {
    m_items.clear();
    m_hMenu = reinterpret_cast<HMENU>(this);
    return TRUE;
}

BOOL CMenu::CreatePopupMenu() { return CreateMenu(); }

CMenu* CMenu::FromHandle(HMENU h) { return reinterpret_cast<CMenu*>(h); }

static std::unique_ptr<CMenu> CopyMenu(const CMenu& source) {
    auto copy = std::make_unique<CMenu>();
    copy->CreatePopupMenu();
    for (const CMenu::Item& item : source.Items()) {
        if (item.popup) {
            auto sub = CopyMenu(*item.popup);
            copy->AppendMenu(item.flags, reinterpret_cast<UINT_PTR>(sub->GetSafeHmenu()), item.text.c_str());
        } else {
            copy->AppendMenu(item.flags, item.id, item.text.c_str());
        }
    }
    return copy;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
    Item item;
    item.flags = nFlags;
    if (nFlags & MF_SEPARATOR) {
        item.flags = MF_SEPARATOR;
    } else if (nFlags & MF_POPUP) {
        const CMenu* source = FromHandle(reinterpret_cast<HMENU>(nIDNewItem));
        if (!source) return FALSE;
        item.popup = CopyMenu(*source);
        item.id = 0xFFFFFFFF;
        item.text = lpszNewItem ? lpszNewItem : "";
    } else {
        item.id = static_cast<UINT>(nIDNewItem);
        item.text = lpszNewItem ? lpszNewItem : "";
    }
    m_items.push_back(std::move(item));
    Changed();
    return TRUE;
}

CMenu::Item* CMenu::FindItem(UINT nID, UINT nFlags) {
    if (nFlags & MF_BYPOSITION) return nID < m_items.size() ? &m_items[nID] : nullptr;
    for (Item& item : m_items) {
        if (!(item.flags & (MF_SEPARATOR | MF_POPUP)) && item.id == nID) return &item;
        if (item.popup)
            if (Item* inner = item.popup->FindItem(nID, nFlags)) return inner;
    }
    return nullptr;
}

UINT CMenu::GetMenuItemCount() const { return static_cast<UINT>(m_items.size()); }

UINT CMenu::GetMenuItemID(int nPos) const {
    if (nPos < 0 || static_cast<size_t>(nPos) >= m_items.size()) return static_cast<UINT>(-1);
    const Item& item = m_items[static_cast<size_t>(nPos)];
    if (item.popup) return static_cast<UINT>(-1);
    return (item.flags & MF_SEPARATOR) ? 0 : item.id;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    Item* item = const_cast<CMenu*>(this)->FindItem(nIDItem, nFlags);
    rString = item ? item->text : CString();
    return static_cast<int>(rString.size());
}

void CMenu::Changed() {
    if (m_onChanged) m_onChanged();
}
