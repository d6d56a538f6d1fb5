// The fixture of the framework's tests: the test dialog created without a modal run, as the
// application's main window.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include "framework/qt/qt_access.h"
#include "test_dialog.h"

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp().Reset();
        ASSERT_TRUE(dlg.Create());
        TestApp().m_pMainWnd = &dlg;
    }
    void TearDown() override {
        TestApp().m_pMainWnd = nullptr;
        AfxQtSetPopupHook(nullptr);
    }

    template <typename Widget>
    Widget* Control(int id) {
        auto* widget = qobject_cast<Widget*>(AfxQtControl(&dlg, id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    QWidget* Window() { return AfxQtWidget(&dlg); }

    CTestDlg dlg;
};
