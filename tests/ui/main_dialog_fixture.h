// A main dialog set up as start-up sets it up (main window of the global application, attached to
// its document), but created without the modal loop so that tests drive its widgets directly.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "app/VortlaneApp.h"
#include "framework/afxtest.h"
#include "framework/qt/qt_access.h"
#include "ui/VortlaneDlg.h"

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QWidget* Control(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    CString Text(int id) const;
    std::vector<std::string> InputList() const;
    // The id of the checked button among these, or 0.
    int CheckedOf(const std::vector<int>& ids) const;

    void ChooseForm(const char* form);
    void Click(int id);
    // Replaces the depth field's text in one edit, as pasting would.
    void SetDepthText(const char* text);
    void SetOutputFileText(const char* text);
    bool Drop(const std::vector<std::string>& paths);

    std::unique_ptr<CVortlaneDlg> dlg;
    CVortlaneDoc& doc = theApp.m_doc;
};

// The same dialog with the application's pass-phrase prompt installed as the crypto layer's provider,
// for tests that open or write encrypted files through the window.
class MainDialogWithPromptTest : public MainDialogTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The six cipher buttons in radio order.
extern const std::vector<int> kCipherIds;
