#include "ui/main_dialog_template.h"

#include "doc/output_forms.h"
#include "ui/resource.h"

namespace {

constexpr DWORD kPushButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultButton = BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kLineEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

}  // namespace

const int kCipherButtonControls[kCipherButtonCount] = {IDC_DES64,  IDC_3DES128, IDC_3DES192,
                                                       IDC_RC2_40, IDC_RC2_128, IDC_NO_ENCRYPT};

DialogTemplate MainDialogTemplate() {
    DialogTemplate t;
    t.id = IDD_MAIN_DIALOG;
    t.caption = "Digital Quillon";
    // No minimize or maximize box, fixed size; listed on the task bar and open to dropped files.
    t.style = DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    t.exStyle = WS_EX_APPWINDOW | WS_EX_ACCEPTFILES;
    t.cx = 243;
    t.cy = 237;
    t.fontFace = "ＭＳ Ｐゴシック";
    t.pointSize = 10;
    t.menuId = IDR_MAINFRAME;
    // The order is the tab order and decides the radio groups: keep it.
    t.controls = {
        {IDOK, "button", kDefaultButton, "Convert", 152, 216, 39, 14},
        {IDCANCEL, "button", kPushButton, "Quit", 197, 216, 39, 14},
        {IDC_CLEAR, "button", kDefaultButton, "Clear", 83, 216, 39, 14},
        {IDC_DEPTH_LABEL, "static", SS_LEFT | WS_GROUP, "Output Certificate Depth (Top:0 ...) :", 13, 127, 119, 8},
        // The blanks after the caption leave room for the form combo box that sits on the frame.
        {IDC_STATIC, "button", BS_GROUPBOX, "Output File        ", 7, 58, 229, 111},
        {IDC_OUTPUT_FORM, "combobox", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, "", 49, 56, 66, 79},
        {IDC_DER, "button", kRadio | WS_GROUP, "DER", 23, 81, 31, 10},
        {IDC_PEM, "button", kRadio, "PEM", 23, 95, 30, 10},
        {kCipherButtonControls[0], "button", kRadio | WS_GROUP, kCipherButtons[0].label, 81, 81, 53, 10},
        {kCipherButtonControls[1], "button", kRadio, kCipherButtons[1].label, 81, 94, 61, 10},
        {kCipherButtonControls[2], "button", kRadio, kCipherButtons[2].label, 81, 107, 61, 10},
        {kCipherButtonControls[3], "button", kRadio, kCipherButtons[3].label, 158, 81, 53, 10},
        {kCipherButtonControls[4], "button", kRadio, kCipherButtons[4].label, 158, 94, 57, 10},
        {kCipherButtonControls[5], "button", kRadio, kCipherButtons[5].label, 158, 107, 57, 10},
        {IDC_DEPTH, "edit", kLineEdit, "", 134, 125, 21, 12},
        {IDC_OUTPUT_FILE, "edit", kLineEdit, "", 13, 150, 217, 12},
        {IDC_INPUT_LIST, "listbox",
         LBS_SORT | LBS_NOSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_BORDER |
             WS_TABSTOP,
         "", 13, 10, 217, 38},
        {IDC_STATIC, "button", BS_GROUPBOX, "Input Files ", 7, 0, 229, 52},
        {IDC_FORM_GROUP, "button", BS_GROUPBOX | BS_CENTER | WS_GROUP, "Output Form", 13, 71, 53, 49},
        {IDC_CRYPT_GROUP, "button", BS_GROUPBOX | WS_GROUP, "Cryptograph (Private Key)", 71, 71, 159, 49},
        {IDC_STATIC, "static", SS_LEFT | WS_GROUP, "Output File Name:", 13, 140, 58, 8},
        {IDC_LOG, "edit",
         ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_TABSTOP, "", 7, 172,
         229, 37},
    };
    // Added in this order; the sorted combo box shows them sorted.
    for (const OutputFormRule& rule : kOutputFormRules) {
        t.initStrings.push_back({IDC_OUTPUT_FORM, rule.name});
    }
    return t;
}

void RegisterMainDialogTemplate() {
    static const bool registered = [] {
        AfxRegisterDialog(MainDialogTemplate());
        return true;
    }();
    (void)registered;
}
