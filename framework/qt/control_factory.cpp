// The control factory: the widget of each control of a dialog template, with its style turned into the
// widget's settings and its user actions into notifications to the dialog.
#include <algorithm>
#include <cstdlib>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>

#include "framework/qt/control_factory.h"
#include "framework/qt/dialog_units.h"
#include "framework/qt/frame_box.h"
#include "framework/qt/qt_access.h"

namespace afx {

// The record of a control whose dialog is still there, found again from its widget each time: a
// control whose window is on its way out leads nowhere.
static HWND__* LiveControl(const QWidget* widget) {
    HWND__* control = RecordOf(widget);
    if (!control || control->widget.data() != widget || !control->parent || control->parent->destroyed) return nullptr;
    return control;
}

// A control tells its dialog through WM_COMMAND.
static void NotifyParent(const QWidget* widget, UINT code) {
    if (HWND__* control = LiveControl(widget))
        Send(control->parent, WM_COMMAND, MAKEWPARAM(static_cast<UINT>(control->id), code),
             reinterpret_cast<LPARAM>(control));
}

// A click on an auto radio button checks it and unchecks the other radio buttons of its group,
// the group being the run of controls from one WS_GROUP start to the next in template order.
static void CheckInGroup(HWND__* dialog, int index) {
    auto [first, last] = dialog->GroupOf(index);
    for (int i = first; i < last; ++i) {
        HWND__* other = dialog->children[static_cast<size_t>(i)].get();
        if (IsRadio(other))
            if (auto* button = qobject_cast<QAbstractButton*>(other->widget.data())) button->setChecked(i == index);
    }
}

static QWidget* CreateButton(HWND__* dialog, HWND__* control, QWidget* client) {
    const QString text = ToQt(control->initialText);
    switch (control->style & BS_TYPEMASK) {
    case BS_GROUPBOX: {
        auto* frame = new FrameBox(text, (control->style & BS_CENTER) == BS_CENTER, dialog->baseUnits.width(), client);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        return frame;
    }
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: {
        auto* radio = new QRadioButton(text, client);
        // Groups come from the template, not from the widget parent: exclusivity is ours.
        radio->setAutoExclusive(false);
        const bool automatic = (control->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
        QObject::connect(radio, &QAbstractButton::clicked, radio, [radio, automatic](bool checked) {
            HWND__* self = LiveControl(radio);
            if (!self) return;
            if (automatic)
                CheckInGroup(self->parent, self->index);
            else
                radio->setChecked(!checked);  // a plain radio button only tells its parent
            NotifyParent(radio, BN_CLICKED);
        });
        return radio;
    }
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE: {
        auto* check = new QCheckBox(text, client);
        const DWORD type = control->style & BS_TYPEMASK;
        check->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
        const bool automatic = type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE;
        QObject::connect(check, &QAbstractButton::clicked, check, [check, automatic](bool checked) {
            if (!automatic) check->setChecked(!checked);
            NotifyParent(check, BN_CLICKED);
        });
        return check;
    }
    default: {
        auto* push = new QPushButton(text, client);
        push->setAutoDefault(false);
        push->setDefault((control->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        QObject::connect(push, &QAbstractButton::clicked, push, [push] { NotifyParent(push, BN_CLICKED); });
        return push;
    }
    }
}

static QWidget* CreateEdit(HWND__* control, QWidget* client) {
    const DWORD style = control->style;
    const bool border = (style & WS_BORDER) || (control->exStyle & WS_EX_CLIENTEDGE);
    if (style & ES_MULTILINE) {
        auto* edit = new QPlainTextEdit(client);
        edit->setLineWrapMode((style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QPlainTextEdit::NoWrap
                                                                      : QPlainTextEdit::WidgetWidth);
        edit->setReadOnly(style & ES_READONLY);
        edit->setTabChangesFocus(true);
        edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        if (!border) edit->setFrameShape(QFrame::NoFrame);
        if (style & ES_READONLY) {
            // A read-only edit shows the dialog's background, as on the classic platform.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        edit->document()->setDocumentMargin(2);
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit] { NotifyParent(edit, EN_CHANGE); });
        return edit;
    }
    auto* edit = new QLineEdit(client);
    edit->setFrame(border);
    edit->setReadOnly(style & ES_READONLY);
    if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
    if ((style & 3) == ES_CENTER)
        edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else if ((style & 3) == ES_RIGHT)
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setTextMargins(0, 0, 0, 0);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { NotifyParent(edit, EN_CHANGE); });
    return edit;
}

static QWidget* CreateStatic(HWND__* control, QWidget* client) {
    auto* label = new QLabel(client);
    const DWORD type = control->style & SS_TYPEMASK;
    if (type == SS_ICON) {
        const HICON icon = AfxLoadIcon(static_cast<UINT>(std::atoi(control->initialText.c_str())));
        label->setPixmap(QPixmap::fromImage(AfxQtIconImage(icon, GetSystemMetrics(SM_CXICON))));
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    const QString text = ToQt(control->initialText);
    label->setText((control->style & SS_NOPREFIX) ? text : StripMnemonic(text));
    Qt::Alignment align = Qt::AlignTop | Qt::AlignLeft;
    if (type == SS_CENTER)
        align = Qt::AlignTop | Qt::AlignHCenter;
    else if (type == SS_RIGHT)
        align = Qt::AlignTop | Qt::AlignRight;
    label->setAlignment(align);
    label->setWordWrap(type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT);
    return label;
}

static QWidget* CreateComboBox(HWND__* control, QWidget* client, QRect& rect) {
    auto* combo = new QComboBox(client);
    const DWORD kind = control->style & 3;
    combo->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The template's height includes the dropped-down list; the field itself is one line high.
    const int field = std::min(combo->sizeHint().height(), rect.height());
    const int itemHeight = std::max(1, QFontMetrics(combo->font()).height() + 2);
    combo->setMaxVisibleItems(std::max(1, (rect.height() - field) / itemHeight));
    rect.setHeight(field);
    QObject::connect(combo, &QComboBox::activated, combo, [combo] { NotifyParent(combo, CBN_SELCHANGE); });
    if (combo->lineEdit())
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                         [combo] { NotifyParent(combo, CBN_EDITCHANGE); });
    return combo;
}

// The rows of a list without selection: no row is ever drawn as current, selected or under the
// mouse, so a click on a row leaves the list looking as it did.
class PlainRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~(QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver);
    }
};

static QWidget* CreateListBox(HWND__* control, QWidget* client) {
    const DWORD style = control->style;
    auto* list = new QListWidget(client);
    list->setSortingEnabled(false);  // LBS_SORT inserts in place (CListBox::AddString)
    list->setSelectionMode((style & LBS_NOSEL) ? QAbstractItemView::NoSelection : QAbstractItemView::SingleSelection);
    if (style & LBS_NOSEL) list->setItemDelegate(new PlainRowDelegate(list));
    list->setVerticalScrollBarPolicy(
        (style & WS_VSCROLL) ? ((style & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded)
                             : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (!(style & WS_BORDER) && !(control->exStyle & WS_EX_CLIENTEDGE)) list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    if (style & LBS_NOTIFY) {
        QObject::connect(list, &QListWidget::currentRowChanged, list, [list] { NotifyParent(list, LBN_SELCHANGE); });
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, [list] { NotifyParent(list, LBN_DBLCLK); });
    }
    return list;
}

void CreateControl(HWND__* dialog, const ControlTemplate& tmpl, int index) {
    auto control = std::make_unique<HWND__>();
    HWND__* c = control.get();
    c->parent = dialog;
    c->id = tmpl.id;
    c->index = index;
    c->className = QString::fromStdString(tmpl.className).toLower().toStdString();
    c->style = tmpl.style;
    c->exStyle = tmpl.exStyle;
    c->initialText = tmpl.text;
    QWidget* client = dialog->client;
    QRect rect = MapDialogRect(dialog->baseUnits, tmpl.x, tmpl.y, tmpl.cx, tmpl.cy);

    QWidget* widget = nullptr;
    bool focusable = true;
    if (c->className == "button") {
        widget = CreateButton(dialog, c, client);
        focusable = (c->style & BS_TYPEMASK) != BS_GROUPBOX;
        c->ownedWnd = std::make_unique<CButton>();
    } else if (c->className == "edit") {
        widget = CreateEdit(c, client);
        c->ownedWnd = std::make_unique<CEdit>();
    } else if (c->className == "static") {
        widget = CreateStatic(c, client);
        focusable = false;
        if ((c->style & SS_TYPEMASK) == SS_ICON)
            rect.setSize(QSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
        c->ownedWnd = std::make_unique<CStatic>();
    } else if (c->className == "combobox") {
        widget = CreateComboBox(c, client, rect);
        c->ownedWnd = std::make_unique<CComboBox>();
    } else if (c->className == "listbox") {
        widget = CreateListBox(c, client);
        c->ownedWnd = std::make_unique<CListBox>();
    } else {
        widget = new QWidget(client);
        focusable = false;
        c->ownedWnd = std::make_unique<CWnd>();
    }
    c->ownedWnd->m_hWnd = c;
    c->wnd = c->ownedWnd.get();
    c->widget = widget;
    SetRecord(widget, c);
    widget->setGeometry(rect);
    widget->setEnabled(!(c->style & WS_DISABLED));
    if (!focusable)
        widget->setFocusPolicy(Qt::NoFocus);
    else
        widget->setFocusPolicy((c->style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    // Files dropped anywhere on the dialog go to the dialog, not into an edit field.
    widget->setAcceptDrops(false);
    widget->installEventFilter(dialog->widget);
    for (QWidget* inner : widget->findChildren<QWidget*>()) {
        inner->setAcceptDrops(false);
        inner->installEventFilter(dialog->widget);
    }
    widget->setVisible(true);
    dialog->children.push_back(std::move(control));
}

}  // namespace afx
