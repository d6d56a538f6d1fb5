// Resources as data: dialog templates, menus, strings and icons, registered by the program at
// start-up (or at static initialisation) and looked up by number, as a resource script would give.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/afxres.h"

// One control of a dialog template. Position and size are in dialog units.
// className: "button", "static", "edit", "combobox" or "listbox". style: WS_*, BS_*, SS_*, ES_*,
// CBS_*, LBS_*; WS_CHILD and WS_VISIBLE are implied. For an SS_ICON static, text is the icon's
// resource number in decimal (e.g. "128").
struct ControlTemplate {
    int id = IDC_STATIC;
    CString className;
    DWORD style = 0;
    CString text;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD exStyle = 0;
};

// A string the dialog adds to a combo box or list box when it initialises (CDialog::OnInitDialog),
// in the order given.
struct InitString {
    int controlId = 0;
    CString text;
};

// A dialog template. cx, cy give the client area in dialog units; the base units come from
// fontFace at pointSize (substituted where the face is not installed).
struct DialogTemplate {
    UINT id = 0;
    CString caption;
    DWORD style = 0;    // WS_*, DS_*: WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_THICKFRAME, ...
    DWORD exStyle = 0;  // WS_EX_ACCEPTFILES, WS_EX_APPWINDOW
    int x = 0, y = 0, cx = 0, cy = 0;
    CString fontFace;
    int pointSize = 8;
    UINT menuId = 0;                        // a registered MenuTemplate, or 0 for none
    std::vector<ControlTemplate> controls;  // template order: tab order and radio groups
    std::vector<InitString> initStrings;
};

// A menu item: a command (id, text with an optional "\t" and shortcut text shown only), a
// separator (flags MF_SEPARATOR) or a popup (flags MF_POPUP, items below). MF_GRAYED greys an
// item, or a whole popup so that it cannot be opened.
struct MenuItemTemplate {
    CString text;
    UINT id = 0;
    UINT flags = 0;
    std::vector<MenuItemTemplate> items;
};

struct MenuTemplate {
    UINT id = 0;
    std::vector<MenuItemTemplate> items;  // the bar: popups
};

// One image of an icon: width × height pixels, row by row, 0xAARRGGBB.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// Registration; a later registration under the same number replaces the earlier one.
void AfxRegisterDialog(const DialogTemplate& tmpl);
void AfxRegisterMenu(const MenuTemplate& menu);
void AfxRegisterString(UINT id, const char* text);
void AfxRegisterIcon(UINT id, const std::vector<IconImage>& images);

// Lookups; null when nothing is registered under that number.
const DialogTemplate* AfxFindDialogTemplate(UINT id);
const MenuTemplate* AfxFindMenuTemplate(UINT id);
// Loads a string resource: TRUE and the text, or FALSE and an empty string.
BOOL AfxLoadString(UINT id, CString& text);
CString AfxLoadString(UINT id);
// A shared icon handle (never destroyed), or null.
HICON AfxLoadIcon(UINT id);
