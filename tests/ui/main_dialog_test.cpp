// The main dialog as it opens: its controls against the template, tab order, radio groups, sorted
// lists, the state after initialisation, and start-up through the application.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <map>

#include "main_dialog_fixture.h"
#include "ui/main_dialog_template.h"

namespace {

QString ControlText(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    return {};
}

}  // namespace

TEST_F(MainDialogTest, OpensInTheStateOfAFreshStart) {
    EXPECT_TRUE(InputList().empty());
    EXPECT_EQ(Text(IDC_OUTPUT_FORM), "Certificate");
    EXPECT_EQ(doc.m_nOutputForm, FORM_CERTIFICATE);
    EXPECT_EQ(CheckedOf({IDC_DER, IDC_PEM}), IDC_DER);
    EXPECT_TRUE(Enabled(IDC_DER) && Enabled(IDC_PEM) && Enabled(IDC_FORM_GROUP));
    EXPECT_EQ(doc.m_bDerOutput, 1);
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_DES64);
    for (int id : kCipherIds) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDC_CRYPT_GROUP));
    EXPECT_EQ(Text(IDC_DEPTH), "0");
    EXPECT_TRUE(Enabled(IDC_DEPTH) && Enabled(IDC_DEPTH_LABEL));
    EXPECT_EQ(Text(IDC_OUTPUT_FILE), "");
    EXPECT_EQ(Text(IDC_LOG), "");
    // Convert is off although the rules ran; Clear and Quit are on.
    EXPECT_FALSE(Enabled(IDOK));
    EXPECT_TRUE(Enabled(IDC_CLEAR) && Enabled(IDCANCEL));
    EXPECT_EQ(dlg->GetIcon(TRUE), dlg->m_hIcon);
    EXPECT_NE(dlg->m_hIcon, nullptr);
}

TEST_F(MainDialogTest, ControlsStandWhereTheTemplatePutsThem) {
    const DialogTemplate tmpl = MainDialogTemplate();
    ASSERT_EQ(tmpl.controls.size(), 22u);
    QWidget* client = AfxQtClientArea(dlg.get());
    ASSERT_NE(client, nullptr);
    int unnamedSeen = 0;
    for (const ControlTemplate& c : tmpl.controls) {
        SCOPED_TRACE(c.text + " / " + std::to_string(c.id));
        const QRect want = AfxQtDialogUnitsToPixels(dlg.get(), c.x, c.y, c.cx, c.cy);
        QWidget* widget = nullptr;
        if (c.id != IDC_STATIC) {
            widget = Control(c.id);
        } else {
            // Unnamed frames and labels have no id to look them up by: find them by their place.
            for (QWidget* w : client->findChildren<QWidget*>()) {
                if (QRect(w->mapTo(client, QPoint(0, 0)), w->size()) == want) widget = w;
            }
            ++unnamedSeen;
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->mapTo(client, QPoint(0, 0)), want.topLeft());
        EXPECT_EQ(widget->width(), want.width());
        // A drop-down list's height includes its list; the closed box is shorter.
        if (c.id != IDC_OUTPUT_FORM) EXPECT_EQ(widget->height(), want.height());
        const QString text = ControlText(widget);
        if (!text.isEmpty()) EXPECT_EQ(text, QString::fromUtf8(c.text.c_str()));
    }
    EXPECT_EQ(unnamedSeen, 3);
    // The combo box sits on the top edge of the "Output File" frame, right of its caption.
    QWidget* combo = Control(IDC_OUTPUT_FORM);
    const QRect frame = AfxQtDialogUnitsToPixels(dlg.get(), 7, 58, 229, 111);
    EXPECT_LT(combo->mapTo(client, QPoint(0, 0)).y(), frame.top());
    EXPECT_GT(combo->mapTo(client, QPoint(0, combo->height())).y(), frame.top());
}

TEST_F(MainDialogTest, TabVisitsTheTabStopsInTemplateOrder) {
    std::map<QWidget*, int> ids;
    for (const ControlTemplate& c : MainDialogTemplate().controls) {
        if (c.id != IDC_STATIC) ids[Control(c.id)] = c.id;
    }
    dlg->GetDlgItem(IDOK)->EnableWindow(TRUE);
    QWidget* start = Control(IDOK);
    std::vector<int> visited;
    QWidget* w = start;
    do {
        auto it = ids.find(w);
        if (it != ids.end() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) visited.push_back(it->second);
        w = w->nextInFocusChain();
    } while (w != start && visited.size() < 30);
    const std::vector<int> expected = {IDOK,      IDCANCEL,        IDC_CLEAR,      IDC_OUTPUT_FORM,
                                       IDC_DEPTH, IDC_OUTPUT_FILE, IDC_INPUT_LIST, IDC_LOG};
    EXPECT_EQ(visited, expected);
}

TEST_F(MainDialogTest, EncodingAndCipherButtonsAreTwoGroups) {
    ChooseForm("PKCS#8");  // both groups enabled
    Click(IDC_PEM);
    EXPECT_EQ(CheckedOf({IDC_DER, IDC_PEM}), IDC_PEM);
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_DES64);
    Click(IDC_RC2_40);
    EXPECT_EQ(CheckedOf({IDC_DER, IDC_PEM}), IDC_PEM);
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_RC2_40);
    Click(IDC_DER);
    EXPECT_EQ(CheckedOf(kCipherIds), IDC_RC2_40);
    dlg->UpdateData(TRUE);
    EXPECT_EQ(dlg->m_nEncoding, 0);
    EXPECT_EQ(dlg->m_nCrypt, 3);
}

TEST_F(MainDialogTest, FormListIsSortedAndInputListShowsNoSelection) {
    auto* combo = qobject_cast<QComboBox*>(Control(IDC_OUTPUT_FORM));
    ASSERT_NE(combo, nullptr);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"Certificate", "CertReq", "CRL", "PKCS#12", "PKCS#7", "PKCS#8", "PrivateKey"}));

    auto* list = qobject_cast<QAbstractItemView*>(Control(IDC_INPUT_LIST));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);
}

TEST(StartUp, RunsTheMainDialogOnTheApplicationsOwnDocument) {
    int shown = 0;
    AfxSetModalHook([&](CDialog& dialog) {
        ++shown;
        auto& main = static_cast<CVortlaneDlg&>(dialog);
        EXPECT_EQ(theApp.m_pMainWnd, &dialog);
        EXPECT_EQ(main.m_pDoc, &theApp.m_doc);
        EXPECT_EQ(main.m_listInput.GetCount(), 0);
        CString caption;
        dialog.GetWindowText(caption);
        EXPECT_EQ(caption, "Digital Quillon");
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_FALSE(theApp.InitInstance());
    AfxSetModalHook(nullptr);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}
