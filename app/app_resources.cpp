#include "app/app_resources.h"

#include "app/app_icon.h"
#include "ui/resource.h"

MenuTemplate MainMenuTemplate() {
    // No key table goes with it: the shortcuts after the tab are shown, never bound.
    MenuTemplate menu;
    menu.id = IDR_MAINFRAME;
    menu.items = {
        {"&File",
         0,
         MF_POPUP,
         {
             {"&New\tCtrl+N", ID_FILE_NEW, MF_STRING, {}},
             {"&Open...\tCtrl+O", ID_FILE_OPEN, MF_STRING, {}},
             {"", 0, MF_SEPARATOR, {}},
             {"E&xit", ID_APP_EXIT, MF_STRING, {}},
         }},
        {"&Edit",
         0,
         MF_POPUP | MF_GRAYED,
         {
             {"&Undo\tCtrl+Z", ID_EDIT_UNDO, MF_STRING, {}},
             {"", 0, MF_SEPARATOR, {}},
             {"Cu&t\tCtrl+X", ID_EDIT_CUT, MF_STRING, {}},
             {"&Copy\tCtrl+C", ID_EDIT_COPY, MF_STRING, {}},
             {"&Paste\tCtrl+V", ID_EDIT_PASTE, MF_STRING, {}},
         }},
        {"&Help",
         0,
         MF_POPUP,
         {
             {"&About vortlane...", ID_APP_ABOUT, MF_STRING, {}},
         }},
    };
    return menu;
}

DialogTemplate AboutBoxTemplate() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.caption = "About vortlane";
    t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 219;
    t.cy = 42;
    t.fontFace = "Arial";
    t.pointSize = 9;
    t.controls = {
        {IDC_STATIC, "static", SS_ICON, "128", 11, 15, 20, 20},
        {IDC_STATIC, "static", SS_LEFT | SS_NOPREFIX, "Quillon v0.91", 40, 7, 156, 8},
        {IDC_STATIC, "static", SS_LEFT, "(C) 2026 The Quillon authors", 40, 23, 119, 8},
        {IDOK, "button", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, "OK", 180, 21, 32, 14},
    };
    return t;
}

void RegisterApplicationResources() {
    static const bool registered = [] {
        AfxRegisterMenu(MainMenuTemplate());
        AfxRegisterString(IDS_ABOUTBOX, "&About vortlane...");
        AfxRegisterDialog(AboutBoxTemplate());
        std::vector<IconImage> images;
        for (const IconArt& art : kAppIconArt) images.push_back({art.size, art.size, IconPixels(art)});
        AfxRegisterIcon(IDR_MAINFRAME, images);
        return true;
    }();
    (void)registered;
}
