// The About box: program name and version, a rights notice, OK.
#pragma once

#include "framework/afxwin.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    DECLARE_MESSAGE_MAP()
};
