// Message-map lookup and the small helpers every part of the framework shares: the widget-to-record
// link, text and path conversion, sorted insertion, radio groups.
#include <set>

#include <QFile>
#include <QVariant>

#include "framework/qt/window_record.h"

// ---- CCmdTarget --------------------------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
            if (entry->nMessage != message)
                continue;
            // Control ids travel as 16 bits in WM_COMMAND: IDC_STATIC (-1) arrives as 0xFFFF.
            if (message == WM_COMMAND && (entry->nCode != code || (entry->nID & 0xFFFF) != (id & 0xFFFF)))
                continue;
            return entry;
        }
        if (!map->pfnGetBaseMap)
            break;
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode)
{
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!entry)
        return FALSE;
    entry->pfn(this, 0, 0);
    return TRUE;
}

// ---- Records -----------------------------------------------------------------------------------

HWND__* HWND__::FindChild(int nID)
{
    for (auto& child : children)
        if ((child->id & 0xFFFF) == (nID & 0xFFFF))
            return child.get();
    return nullptr;
}

std::pair<int, int> HWND__::GroupOf(int index) const
{
    const int count = static_cast<int>(children.size());
    if (index < 0 || index >= count)
        return {index, index};
    int first = index;
    while (first > 0 && !(children[first]->style & WS_GROUP))
        --first;
    int last = index + 1;
    while (last < count && !(children[last]->style & WS_GROUP))
        ++last;
    return {first, last};
}

namespace afx {

HWND__* g_lockoutWindow = nullptr;

std::vector<CurrentMessage>& MessageStack()
{
    static std::vector<CurrentMessage> stack;
    return stack;
}

static const char* const kRecordProperty = "afxRecord";

// Records alive now: a widget that outlives its record (deleted later) leads to none.
static std::set<const HWND__*>& LiveRecords()
{
    static std::set<const HWND__*> live;
    return live;
}

HWND__* RecordOf(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        QVariant v = w->property(kRecordProperty);
        if (v.isValid()) {
            auto* record = reinterpret_cast<HWND__*>(v.value<quintptr>());
            return LiveRecords().count(record) ? record : nullptr;
        }
    }
    return nullptr;
}

void SetRecord(QWidget* widget, HWND__* record)
{
    widget->setProperty(kRecordProperty, QVariant::fromValue(reinterpret_cast<quintptr>(record)));
    if (record)
        LiveRecords().insert(record);
}

void ForgetRecord(HWND__* record)
{
    LiveRecords().erase(record);
    if (record->widget)
        record->widget->setProperty(kRecordProperty, QVariant::fromValue(quintptr(0)));
}

bool IsRadio(const HWND__* control)
{
    const DWORD type = control->style & BS_TYPEMASK;
    return control->className == "button" && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

bool IsAutoRadio(const HWND__* control)
{
    return control->className == "button" && (control->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

QString ToQt(const char* text) { return text ? QString::fromUtf8(text) : QString(); }
QString ToQt(const CString& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

CString FromQt(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    return CString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Paths go through the file system's own encoding so that names which are not valid UTF-8 survive.
QString PathToQt(const CString& path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

CString PathFromQt(const QString& path)
{
    QByteArray bytes = QFile::encodeName(path);
    return CString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString StripMnemonic(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;  // "&&" is a literal ampersand, "&x" shows x
        }
        out += text[i];
    }
    return out;
}

QString EditTextToQt(const HWND__* control, const CString& text)
{
    QString q = ToQt(text);
    if (control->style & ES_MULTILINE)
        q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

CString EditTextFromQt(const HWND__* control, const QString& text)
{
    if (!(control->style & ES_MULTILINE))
        return FromQt(text);
    QString q = text;
    q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQt(q);
}

int SortedPosition(const QStringList& items, const QString& text)
{
    // After every item that does not sort behind the new one: equal strings keep their arrival order.
    int pos = 0;
    while (pos < items.size() && QString::compare(items[pos], text, Qt::CaseInsensitive) <= 0)
        ++pos;
    return pos;
}

}  // namespace afx
