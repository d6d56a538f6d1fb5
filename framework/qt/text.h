// Text between the program and Qt: the program's 8-bit UTF-8 strings, file-system paths (which need
// not be valid UTF-8), classic mnemonic markers and the "\r\n" lines of edits.
#pragma once

#include <QString>

#include "framework/afx_core.h"

struct HWND__;

namespace afx {

QString ToQt(const char* text);
QString ToQt(const CString& text);
CString FromQt(const QString& text);
QString PathToQt(const CString& path);
CString PathFromQt(const QString& path);
// Classic mnemonic text ("&File") to display text without the marker ("File").
QString StripMnemonic(const QString& text);
// Text of edits: the program's "\r\n" lines against Qt's "\n" (multi-line edits only).
QString EditTextToQt(const HWND__* control, const CString& text);
CString EditTextFromQt(const HWND__* control, const QString& text);

}  // namespace afx
