// The dialog as the template describes it: font, geometry from dialog units, window style, tab
// order, sorted lists and the drawn group frames.
#include <cmath>

#include <QComboBox>
#include <QFontInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "test_fixture.h"

namespace {

int Scale(int units, int base, int per) {
    return static_cast<int>(std::lround(units * static_cast<double>(base) / per));
}

QRect Expected(QSize base, const ControlTemplate& c) {
    const int left = Scale(c.x, base.width(), 4);
    const int top = Scale(c.y, base.height(), 8);
    return QRect(left, top, Scale(c.x + c.cx, base.width(), 4) - left, Scale(c.y + c.cy, base.height(), 8) - top);
}

}  // namespace

TEST_F(DialogTest, TemplateFontIsSubstitutedAndGivesTheBaseUnits) {
    const QFont font = Window()->font();
    EXPECT_EQ(QFontInfo(font).family(), "IPAPGothic");
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(font.pixelSize(), static_cast<int>(std::lround(10 * dpi / 72)));

    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(AfxQtBaseUnits(&dlg), QSize((width / 26 + 1) / 2, metrics.height()));
}

TEST_F(DialogTest, ControlsSitWhereTheirDialogUnitsSay) {
    const QSize base = AfxQtBaseUnits(&dlg);
    ASSERT_GT(base.width(), 0);
    for (const ControlTemplate& c : TestTemplate().controls) {
        QWidget* widget = AfxQtControl(&dlg, c.id);
        ASSERT_NE(widget, nullptr) << c.text;
        const QRect expected = Expected(base, c);
        if (c.className == "combobox") {
            // The template height includes the dropped-down list; the field is shorter.
            EXPECT_EQ(widget->geometry().topLeft(), expected.topLeft());
            EXPECT_EQ(widget->width(), expected.width());
            EXPECT_LT(widget->height(), expected.height());
        } else {
            EXPECT_EQ(widget->geometry(), expected) << c.text;
        }
    }
    CRect client;
    dlg.GetClientRect(&client);
    EXPECT_EQ(client.Width(), Scale(200, base.width(), 4));
    EXPECT_EQ(client.Height(), Scale(180, base.height(), 8));
}

TEST_F(DialogTest, WindowIsFixedSizeWithCaptionAndCloseButOnlyThose) {
    QWidget* window = Window();
    EXPECT_EQ(window->windowTitle(), "Framework Test");
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->windowType(), Qt::Window);  // an application window, on the task bar
    ASSERT_NE(AfxQtMenuBar(&dlg), nullptr);
    EXPECT_EQ(AfxQtClientArea(&dlg)->y(), AfxQtMenuBar(&dlg)->height());
}

TEST_F(DialogTest, TabOrderIsTemplateOrderAndRadioButtonsAreNotTabStops) {
    std::vector<QWidget*> expected;
    for (const ControlTemplate& c : TestTemplate().controls) {
        QWidget* widget = AfxQtControl(&dlg, c.id);
        const bool tabStop = widget->focusPolicy() & Qt::TabFocus;
        EXPECT_EQ(tabStop, (c.style & WS_TABSTOP) != 0) << c.text;
        if (tabStop) expected.push_back(widget);
    }
    EXPECT_FALSE(Control<QRadioButton>(IDC_T_DER)->focusPolicy() & Qt::TabFocus);

    std::vector<QWidget*> seen{expected.front()};
    QWidget* w = expected.front();
    while (seen.size() < expected.size()) {
        w = w->nextInFocusChain();
        ASSERT_NE(w, expected.front()) << "focus chain wrapped early";
        if ((w->focusPolicy() & Qt::TabFocus) && std::find(expected.begin(), expected.end(), w) != expected.end())
            seen.push_back(w);
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(DialogTest, ComboAndListSortCaseInsensitivelyAndListShowsNoSelection) {
    auto* combo = Control<QComboBox>(IDC_T_FORM);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, QStringList({"alpha", "Beta", "Certificate", "CRL", "Gamma"}));
    EXPECT_EQ(combo->currentText(), "Beta");  // chosen by its text by the first exchange

    EXPECT_EQ(dlg.GetDlgItem(IDC_T_LIST), &dlg.m_listInput);
    for (const char* path : {"b.pem", "A.pem", "c.pem", "b.pem"}) dlg.m_listInput.AddString(path);
    std::vector<CString> listed;
    for (int i = 0; i < dlg.m_listInput.GetCount(); ++i) {
        CString text;
        dlg.m_listInput.GetText(i, text);
        listed.push_back(text);
    }
    EXPECT_EQ(listed, (std::vector<CString>{"A.pem", "b.pem", "b.pem", "c.pem"}));
    auto* list = Control<QListWidget>(IDC_T_LIST);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);

    // A click on a row, with the list focused, draws no current row or focus band on it.
    Window()->show();
    Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    list->setFocus();
    ASSERT_TRUE(list->hasFocus());
    const QImage before = list->grab().toImage();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(list->grab().toImage(), before);
    dlg.m_listInput.ResetContent();
    EXPECT_EQ(dlg.m_listInput.GetCount(), 0);
}

TEST_F(DialogTest, GroupFramesAreDrawnBehindTheControlsAndLetClicksThrough) {
    QWidget* frame = AfxQtControl(&dlg, IDC_T_CIPHER_FRAME);
    QWidget* radio = AfxQtControl(&dlg, IDC_T_CIPHER_A);
    const QObjectList& stack = AfxQtClientArea(&dlg)->children();
    EXPECT_LT(stack.indexOf(frame), stack.indexOf(radio));
    EXPECT_TRUE(frame->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(frame->focusPolicy(), Qt::NoFocus);

    // A disabled frame reports itself disabled; its caption can be changed like any control text.
    CWnd* frameWnd = dlg.GetDlgItem(IDC_T_CIPHER_FRAME);
    frameWnd->EnableWindow(FALSE);
    EXPECT_FALSE(frameWnd->IsWindowEnabled());
    EXPECT_TRUE(dlg.GetDlgItem(IDC_T_CIPHER_A)->IsWindowEnabled());
}

TEST_F(DialogTest, MultiLineLogIsReadOnlyWithoutWordWrap) {
    auto* log = Control<QPlainTextEdit>(IDC_T_LOG);
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(log->acceptDrops());
    EXPECT_FALSE(log->viewport()->acceptDrops());
}

TEST(DialogTemplates, MissingTemplateFailsCreationAndModalRun) {
    CDialog missing(9999);
    EXPECT_FALSE(missing.Create());
    EXPECT_EQ(missing.DoModal(), -1);
}
