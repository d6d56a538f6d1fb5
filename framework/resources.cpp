// The resource tables: dialog templates, menus and strings by number. Icons, which need images, are
// kept by the window-system half (qt/icons.cpp).
#include <map>

#include "framework/resources.h"

namespace {

struct ResourceTables {
    std::map<UINT, DialogTemplate> dialogs;
    std::map<UINT, MenuTemplate> menus;
    std::map<UINT, CString> strings;
};

ResourceTables& Tables() {
    static ResourceTables tables;
    return tables;
}

}  // namespace

void AfxRegisterDialog(const DialogTemplate& tmpl) { Tables().dialogs[tmpl.id] = tmpl; }

void AfxRegisterMenu(const MenuTemplate& menu) { Tables().menus[menu.id] = menu; }

void AfxRegisterString(UINT id, const char* text) { Tables().strings[id] = text ? text : ""; }

const DialogTemplate* AfxFindDialogTemplate(UINT id) {
    auto it = Tables().dialogs.find(id);
    return it == Tables().dialogs.end() ? nullptr : &it->second;
}

const MenuTemplate* AfxFindMenuTemplate(UINT id) {
    auto it = Tables().menus.find(id);
    return it == Tables().menus.end() ? nullptr : &it->second;
}

BOOL AfxLoadString(UINT id, CString& text) {
    auto it = Tables().strings.find(id);
    if (it == Tables().strings.end()) {
        text.clear();
        return FALSE;
    }
    text = it->second;
    return TRUE;
}

CString AfxLoadString(UINT id) {
    CString text;
    AfxLoadString(id, text);
    return text;
}
