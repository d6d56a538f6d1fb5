#include "main_dialog_fixture.h"

#include "app/pass_phrase_prompt.h"

#include <QAbstractButton>
#include <QLineEdit>

const std::vector<int> kCipherIds = {IDC_DES64, IDC_3DES128, IDC_3DES192, IDC_RC2_40, IDC_RC2_128, IDC_NO_ENCRYPT};

void MainDialogTest::SetUp() {
    // The application and its document live for the whole test program: put the document back to
    // the state a fresh start gives.
    doc.OnNewDocument();
    doc.m_nOutputForm = FORM_CERTIFICATE;
    doc.m_nP12Cipher = KX_P12_3DES_3KEY;
    doc.m_nPemCipher = KX_PEM_3DES;
    doc.m_nP8Cipher = KX_P5_MD5_DES;

    dlg = std::make_unique<CVortlaneDlg>();
    theApp.m_pMainWnd = dlg.get();
    dlg->m_pDoc = &doc;
    ASSERT_TRUE(dlg->Create());
}

void MainDialogTest::TearDown() {
    if (dlg) dlg->DestroyWindow();
    theApp.m_pMainWnd = nullptr;
    dlg.reset();
}

void MainDialogWithPromptTest::SetUp() {
    MainDialogTest::SetUp();
    doc.m_passSource = PassPhrasePrompt();
}

void MainDialogWithPromptTest::TearDown() {
    doc.m_passSource = {};
    MainDialogTest::TearDown();
}

QWidget* MainDialogTest::Control(int id) const {
    QWidget* widget = AfxQtControl(dlg.get(), id);
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
}

bool MainDialogTest::Enabled(int id) const {
    QWidget* widget = Control(id);
    return widget != nullptr && widget->isEnabled();
}

bool MainDialogTest::Checked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button != nullptr && button->isChecked();
}

CString MainDialogTest::Text(int id) const {
    CString text;
    dlg->GetDlgItemText(id, text);
    return text;
}

std::vector<std::string> MainDialogTest::InputList() const {
    std::vector<std::string> items;
    for (int i = 0; i < dlg->m_listInput.GetCount(); ++i) {
        CString item;
        dlg->m_listInput.GetText(i, item);
        items.push_back(item);
    }
    return items;
}

int MainDialogTest::CheckedOf(const std::vector<int>& ids) const {
    int found = 0;
    for (int id : ids) {
        if (Checked(id)) {
            EXPECT_EQ(found, 0) << "two buttons of one group checked";
            found = id;
        }
    }
    return found;
}

void MainDialogTest::ChooseForm(const char* form) {
    ASSERT_TRUE(AfxQtChooseComboItem(dlg.get(), IDC_OUTPUT_FORM, form)) << form;
}

void MainDialogTest::Click(int id) {
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    ASSERT_NE(button, nullptr);
    button->click();
}

void MainDialogTest::SetDepthText(const char* text) {
    auto* edit = qobject_cast<QLineEdit*>(Control(IDC_DEPTH));
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromUtf8(text));
}

void MainDialogTest::SetOutputFileText(const char* text) {
    auto* edit = qobject_cast<QLineEdit*>(Control(IDC_OUTPUT_FILE));
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromUtf8(text));
}

bool MainDialogTest::Drop(const std::vector<std::string>& paths) { return AfxQtDropFiles(dlg.get(), paths); }
