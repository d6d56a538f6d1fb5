// The records behind window handles: finding a control, its radio group, the link from a widget back
// to its record, and sending a message to the object a record is attached to.
#include <set>

#include <QVariant>

#include "framework/qt/window_record.h"

HWND__* HWND__::FindChild(int nID) {
    for (auto& child : children)
        if ((child->id & 0xFFFF) == (nID & 0xFFFF)) return child.get();
    return nullptr;
}

std::pair<int, int> HWND__::GroupOf(int index) const {
    const int count = static_cast<int>(children.size());
    if (index < 0 || index >= count) return {index, index};
    int first = index;
    while (first > 0 && !(children[first]->style & WS_GROUP)) --first;
    int last = index + 1;
    while (last < count && !(children[last]->style & WS_GROUP)) ++last;
    return {first, last};
}

namespace afx {

static const char* const kRecordProperty = "afxRecord";

// Records alive now: a widget that outlives its record (deleted later) leads to none.
static std::set<const HWND__*>& LiveRecords() {
    static std::set<const HWND__*> live;
    return live;
}

HWND__* RecordOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        QVariant v = w->property(kRecordProperty);
        if (v.isValid()) {
            auto* record = reinterpret_cast<HWND__*>(v.value<quintptr>());
            return LiveRecords().count(record) ? record : nullptr;
        }
    }
    return nullptr;
}

void SetRecord(QWidget* widget, HWND__* record) {
    widget->setProperty(kRecordProperty, QVariant::fromValue(reinterpret_cast<quintptr>(record)));
    if (record) LiveRecords().insert(record);
}

void ForgetRecord(HWND__* record) {
    LiveRecords().erase(record);
    if (record->widget) record->widget->setProperty(kRecordProperty, QVariant::fromValue(quintptr(0)));
}

bool IsRadio(const HWND__* control) {
    const DWORD type = control->style & BS_TYPEMASK;
    return control->className == "button" && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

bool IsAutoRadio(const HWND__* control) {
    return control->className == "button" && (control->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

LRESULT Send(HWND__* record, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!record || !record->wnd) return 0;
    return record->wnd->SendMessage(message, wParam, lParam);
}

}  // namespace afx
