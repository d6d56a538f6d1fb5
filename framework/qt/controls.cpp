// The list box and combo box classes over their widgets (buttons, statics and edits add nothing to CWnd).
#include <QComboBox>
#include <QListWidget>

#include "framework/qt/text.h"
#include "framework/qt/window_record.h"

using namespace afx;

template <typename Widget>
static Widget* WidgetOf(const CWnd* wnd) {
    return (wnd && wnd->m_hWnd) ? qobject_cast<Widget*>(wnd->m_hWnd->widget.data()) : nullptr;
}

// Sorted insertion position for LBS_SORT / CBS_SORT lists (case-insensitive).
static int SortedPosition(const QStringList& items, const QString& text) {
    // After every item that does not sort behind the new one: equal strings keep their arrival order.
    int pos = 0;
    while (pos < items.size() && QString::compare(items[pos], text, Qt::CaseInsensitive) <= 0) ++pos;
    return pos;
}

// ---- CListBox ----------------------------------------------------------------------------------

static QStringList ListTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

int CListBox::AddString(const char* lpszItem) {
    auto* list = WidgetOf<QListWidget>(this);
    if (!list) return LB_ERR;
    const QString text = ToQt(lpszItem);
    const int pos = (m_hWnd->style & LBS_SORT) ? SortedPosition(ListTexts(list), text) : list->count();
    list->insertItem(pos, text);
    return pos;
}

void CListBox::ResetContent() {
    if (auto* list = WidgetOf<QListWidget>(this)) list->clear();
}

int CListBox::GetCount() const {
    auto* list = WidgetOf<QListWidget>(this);
    return list ? list->count() : LB_ERR;
}

int CListBox::GetText(int nIndex, CString& rString) const {
    rString.clear();
    auto* list = WidgetOf<QListWidget>(this);
    if (!list || nIndex < 0 || nIndex >= list->count()) return LB_ERR;
    rString = FromQt(list->item(nIndex)->text());
    return static_cast<int>(rString.size());
}

// ---- CComboBox ---------------------------------------------------------------------------------

static QStringList ComboTexts(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
}

int CComboBox::AddString(const char* lpszString) {
    auto* combo = WidgetOf<QComboBox>(this);
    if (!combo) return CB_ERR;
    const QString text = ToQt(lpszString);
    const int pos = (m_hWnd->style & CBS_SORT) ? SortedPosition(ComboTexts(combo), text) : combo->count();
    const int current = combo->currentIndex();
    combo->insertItem(pos, text);
    // Adding an item never selects one: a combo box starts with no selection.
    combo->setCurrentIndex(current < 0 ? -1 : (current >= pos ? current + 1 : current));
    return pos;
}

int CComboBox::SelectString(int nStartAfter, const char* lpszString) {
    auto* combo = WidgetOf<QComboBox>(this);
    if (!combo || combo->count() == 0) return CB_ERR;
    const QString prefix = ToQt(lpszString);
    const int count = combo->count();
    for (int n = 1; n <= count; ++n) {
        const int i = (nStartAfter + n + count) % count;
        if (combo->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            combo->setCurrentIndex(i);
            return i;
        }
    }
    return CB_ERR;  // the selection stays as it was
}
