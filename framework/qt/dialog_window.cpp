// Building a dialog's widgets from its template, and the events of its window.
#include "framework/qt/dialog_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>

namespace afx {

AfxQtPopupHook& PopupHook()
{
    static AfxQtPopupHook hook;
    return hook;
}

LRESULT Send(HWND__* record, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!record || !record->wnd)
        return 0;
    return record->wnd->SendMessage(message, wParam, lParam);
}

static int MulDiv(int number, int numerator, int denominator)
{
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// Faces of the classic platform and what stands in for them here, most faithful first.
static QString ResolveFamily(const QString& face)
{
    static const struct {
        const char* face;
        const char* substitute;
    } kSubstitutes[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"},  // metrically compatible
        {"Arial", "Liberation Sans"},
        {"Arial", "Nimbus Sans"},
    };
    if (!face.isEmpty() && QFontDatabase::hasFamily(face))
        return face;
    for (const auto& s : kSubstitutes)
        if (face == QString::fromUtf8(s.face) && QFontDatabase::hasFamily(QString::fromUtf8(s.substitute)))
            return QString::fromUtf8(s.substitute);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont ResolveDialogFont(const CString& face, int pointSize)
{
    QFont font(ResolveFamily(ToQt(face)));
    int dpi = 96;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dpi = qRound(screen->logicalDotsPerInchY());
    // The classic dialog manager asks for a character height of pointSize * dpi / 72, rounded.
    font.setPixelSize(std::max(1, MulDiv(pointSize > 0 ? pointSize : 8, dpi, 72)));
    return font;
}

QSize BaseUnits(const QFont& font)
{
    QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width / 26 + 1) / 2, metrics.height());
}

QRect MapDialogRect(QSize base, int x, int y, int cx, int cy)
{
    const int left = MulDiv(x, base.width(), 4);
    const int top = MulDiv(y, base.height(), 8);
    const int right = MulDiv(x + cx, base.width(), 4);
    const int bottom = MulDiv(y + cy, base.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

QMenu* BuildPopup(const CMenu& menu, QWidget* parent)
{
    auto* popup = new QMenu(parent);
    for (const CMenu::Item& item : menu.Items()) {
        const bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
        if (item.flags & MF_SEPARATOR) {
            popup->addSeparator();
        } else if (item.popup) {
            QMenu* sub = BuildPopup(*item.popup, popup);
            sub->setTitle(ToQt(item.text));
            popup->addMenu(sub)->setEnabled(enabled);
        } else {
            // The text after a tab is shown as shortcut text only: no shortcut is registered.
            QAction* action = popup->addAction(ToQt(item.text));
            action->setData(QVariant::fromValue(item.id));
            action->setEnabled(enabled);
            action->setCheckable(item.flags & MF_CHECKED);
            action->setChecked(item.flags & MF_CHECKED);
        }
    }
    return popup;
}

static void ConnectCommands(HWND__* record, QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            ConnectCommands(record, action->menu());
        } else if (!action->isSeparator()) {
            QPointer<QWidget> window = record->window.data();
            const UINT id = action->data().value<UINT>();
            QObject::connect(action, &QAction::triggered, record->window, [window, id] {
                if (auto* w = static_cast<DialogWindow*>(window.data()))
                    Send(w->record, WM_COMMAND, MAKEWPARAM(id, 0), 0);
            });
        }
    }
}

void RebuildMenuBar(HWND__* record)
{
    if (!record->menuBar || !record->menu)
        return;
    QMenuBar* bar = record->menuBar;
    // A change may come from a command chosen in one of these menus: let them go once it is done.
    for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        old->deleteLater();
    bar->clear();
    for (const CMenu::Item& item : record->menu->Items()) {
        const bool enabled = !(item.flags & (MF_GRAYED | MF_DISABLED));
        if (item.flags & MF_SEPARATOR)
            continue;
        if (item.popup) {
            QMenu* popup = BuildPopup(*item.popup, bar);
            popup->setTitle(ToQt(item.text));
            ConnectCommands(record, popup);
            bar->addMenu(popup)->setEnabled(enabled);
        } else {
            QAction* action = bar->addAction(ToQt(item.text));
            action->setData(QVariant::fromValue(item.id));
            action->setEnabled(enabled);
            QPointer<QWidget> window = record->window.data();
            const UINT id = item.id;
            QObject::connect(action, &QAction::triggered, record->window, [window, id] {
                if (auto* w = static_cast<DialogWindow*>(window.data()))
                    Send(w->record, WM_COMMAND, MAKEWPARAM(id, 0), 0);
            });
        }
    }
}

void OpenSystemMenu(HWND__* record, const QPoint& globalPos)
{
    if (!record || !record->wnd || !(record->style & WS_SYSMENU))
        return;
    CMenu* menu = record->wnd->GetSystemMenu(FALSE);
    if (!menu)
        return;
    QPointer<DialogWindow> window = record->window;
    std::unique_ptr<QMenu> popup(BuildPopup(*menu, record->window));
    QAction* chosen = PopupHook() ? PopupHook()(*popup) : popup->exec(globalPos);
    if (!chosen || !chosen->isEnabled() || chosen->isSeparator() || chosen->menu())
        return;
    const UINT id = chosen->data().value<UINT>();
    popup.reset();
    // The menu ran a loop of its own: the window may have gone meanwhile.
    if (window && window->record)
        Send(window->record, WM_SYSCOMMAND, id, 0);
}

static void NotifyParent(QPointer<QWidget> window, int index, UINT code)
{
    auto* w = static_cast<DialogWindow*>(window.data());
    if (!w || !w->record || index >= static_cast<int>(w->record->children.size()))
        return;
    HWND__* control = w->record->children[static_cast<size_t>(index)].get();
    Send(w->record, WM_COMMAND, MAKEWPARAM(static_cast<UINT>(control->id), code), reinterpret_cast<LPARAM>(control));
}

// A click on an auto radio button checks it and unchecks the other radio buttons of its group,
// the group being the run of controls from one WS_GROUP start to the next in template order.
static void CheckInGroup(HWND__* dialog, int index)
{
    auto [first, last] = dialog->GroupOf(index);
    for (int i = first; i < last; ++i) {
        HWND__* other = dialog->children[static_cast<size_t>(i)].get();
        if (IsRadio(other))
            if (auto* button = qobject_cast<QAbstractButton*>(other->widget.data()))
                button->setChecked(i == index);
    }
}

static QWidget* CreateButton(HWND__* dialog, HWND__* control, QWidget* client, QPointer<QWidget> window)
{
    const int index = control->index;
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
        QObject::connect(radio, &QAbstractButton::clicked, radio, [window, index, radio, automatic](bool checked) {
            auto* w = static_cast<DialogWindow*>(window.data());
            if (!w || !w->record)
                return;
            if (automatic)
                CheckInGroup(w->record, index);
            else
                radio->setChecked(!checked);  // a plain radio button only tells its parent
            NotifyParent(window, index, BN_CLICKED);
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
        QObject::connect(check, &QAbstractButton::clicked, check, [window, index, check, automatic](bool checked) {
            if (!automatic)
                check->setChecked(!checked);
            NotifyParent(window, index, BN_CLICKED);
        });
        return check;
    }
    default: {
        auto* push = new QPushButton(text, client);
        push->setAutoDefault(false);
        push->setDefault((control->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        QObject::connect(push, &QAbstractButton::clicked, push, [window, index] { NotifyParent(window, index, BN_CLICKED); });
        return push;
    }
    }
}

static QWidget* CreateEdit(HWND__* control, QWidget* client, QPointer<QWidget> window)
{
    const int index = control->index;
    const DWORD style = control->style;
    const bool border = (style & WS_BORDER) || (control->exStyle & WS_EX_CLIENTEDGE);
    if (style & ES_MULTILINE) {
        auto* edit = new QPlainTextEdit(client);
        edit->setLineWrapMode((style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        edit->setReadOnly(style & ES_READONLY);
        edit->setTabChangesFocus(true);
        edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
        if (!border)
            edit->setFrameShape(QFrame::NoFrame);
        if (style & ES_READONLY) {
            // A read-only edit shows the dialog's background, as on the classic platform.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        edit->document()->setDocumentMargin(2);
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [window, index] { NotifyParent(window, index, EN_CHANGE); });
        return edit;
    }
    auto* edit = new QLineEdit(client);
    edit->setFrame(border);
    edit->setReadOnly(style & ES_READONLY);
    if (style & ES_PASSWORD)
        edit->setEchoMode(QLineEdit::Password);
    if ((style & 3) == ES_CENTER)
        edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else if ((style & 3) == ES_RIGHT)
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setTextMargins(0, 0, 0, 0);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [window, index] { NotifyParent(window, index, EN_CHANGE); });
    return edit;
}

static QWidget* CreateStatic(HWND__* control, QWidget* client)
{
    auto* label = new QLabel(client);
    const DWORD type = control->style & SS_TYPEMASK;
    if (type == SS_ICON) {
        control->staticIcon = AfxLoadIcon(static_cast<UINT>(std::atoi(control->initialText.c_str())));
        label->setPixmap(QPixmap::fromImage(AfxQtIconImage(control->staticIcon, GetSystemMetrics(SM_CXICON))));
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

static QWidget* CreateComboBox(HWND__* control, QWidget* client, QPointer<QWidget> window, QRect& rect)
{
    const int index = control->index;
    auto* combo = new QComboBox(client);
    const DWORD kind = control->style & 3;
    combo->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The template's height includes the dropped-down list; the field itself is one line high.
    const int field = std::min(combo->sizeHint().height(), rect.height());
    const int itemHeight = std::max(1, QFontMetrics(combo->font()).height() + 2);
    combo->setMaxVisibleItems(std::max(1, (rect.height() - field) / itemHeight));
    rect.setHeight(field);
    QObject::connect(combo, &QComboBox::activated, combo, [window, index] { NotifyParent(window, index, CBN_SELCHANGE); });
    if (combo->lineEdit())
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [window, index] { NotifyParent(window, index, CBN_EDITCHANGE); });
    return combo;
}

static QWidget* CreateListBox(HWND__* control, QWidget* client, QPointer<QWidget> window)
{
    const int index = control->index;
    const DWORD style = control->style;
    auto* list = new QListWidget(client);
    list->setSortingEnabled(false);  // LBS_SORT inserts in place (CListBox::AddString)
    list->setSelectionMode((style & LBS_NOSEL) ? QAbstractItemView::NoSelection : QAbstractItemView::SingleSelection);
    list->setVerticalScrollBarPolicy((style & WS_VSCROLL)
                                         ? ((style & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded)
                                         : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (!(style & WS_BORDER) && !(control->exStyle & WS_EX_CLIENTEDGE))
        list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    if (style & LBS_NOTIFY) {
        QObject::connect(list, &QListWidget::currentRowChanged, list, [window, index] { NotifyParent(window, index, LBN_SELCHANGE); });
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, [window, index] { NotifyParent(window, index, LBN_DBLCLK); });
    }
    return list;
}

static void CreateControl(HWND__* dialog, const ControlTemplate& tmpl, int index)
{
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
    QPointer<QWidget> window = dialog->window.data();
    QRect rect = MapDialogRect(dialog->baseUnits, tmpl.x, tmpl.y, tmpl.cx, tmpl.cy);

    QWidget* widget = nullptr;
    bool focusable = true;
    if (c->className == "button") {
        widget = CreateButton(dialog, c, client, window);
        focusable = (c->style & BS_TYPEMASK) != BS_GROUPBOX;
        c->ownedWnd = std::make_unique<CButton>();
    } else if (c->className == "edit") {
        widget = CreateEdit(c, client, window);
        c->ownedWnd = std::make_unique<CEdit>();
    } else if (c->className == "static") {
        widget = CreateStatic(c, client);
        focusable = false;
        if ((c->style & SS_TYPEMASK) == SS_ICON)
            rect.setSize(QSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
        c->ownedWnd = std::make_unique<CStatic>();
    } else if (c->className == "combobox") {
        widget = CreateComboBox(c, client, window, rect);
        c->ownedWnd = std::make_unique<CComboBox>();
    } else if (c->className == "listbox") {
        widget = CreateListBox(c, client, window);
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
    widget->installEventFilter(dialog->window);
    for (QWidget* inner : widget->findChildren<QWidget*>()) {
        inner->setAcceptDrops(false);
        inner->installEventFilter(dialog->window);
    }
    widget->setVisible(true);
    dialog->children.push_back(std::move(control));
}

HWND__* CreateDialogWindow(const DialogTemplate& tmpl, CWnd* owner, CWnd* parent)
{
    auto* record = new HWND__;
    record->isDialog = true;
    record->wnd = owner;
    record->id = static_cast<int>(tmpl.id);
    record->className = "#32770";
    record->style = tmpl.style;
    record->exStyle = tmpl.exStyle;
    record->acceptFiles = (tmpl.exStyle & WS_EX_ACCEPTFILES) != 0;

    QWidget* parentWidget = nullptr;
    if (parent && parent->m_hWnd && parent->m_hWnd->window)
        parentWidget = parent->m_hWnd->window;
    Qt::WindowFlags flags = (parentWidget || !(tmpl.exStyle & WS_EX_APPWINDOW)) ? Qt::Dialog : Qt::Window;
    flags |= Qt::CustomizeWindowHint;
    if ((tmpl.style & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    else
        flags |= Qt::FramelessWindowHint;
    if (tmpl.style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl.style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl.style & WS_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;

    auto* window = new DialogWindow(record, parentWidget, flags);
    record->window = window;
    record->widget = window;
    SetRecord(window, record);
    window->setWindowTitle(ToQt(tmpl.caption));
    record->font = ResolveDialogFont(tmpl.fontFace, tmpl.pointSize);
    record->baseUnits = BaseUnits(record->font);
    window->setFont(record->font);

    int menuHeight = 0;
    if (tmpl.menuId) {
        if (const MenuTemplate* menuTemplate = AfxFindMenuTemplate(tmpl.menuId)) {
            record->menu = std::make_unique<CMenu>();
            record->menu->CreateMenu();
            std::function<void(CMenu&, const std::vector<MenuItemTemplate>&)> fill =
                [&fill](CMenu& menu, const std::vector<MenuItemTemplate>& items) {
                    for (const MenuItemTemplate& item : items) {
                        if (item.flags & MF_POPUP) {
                            CMenu sub;
                            sub.CreatePopupMenu();
                            fill(sub, item.items);
                            menu.AppendMenu(item.flags, reinterpret_cast<UINT_PTR>(sub.GetSafeHmenu()), item.text.c_str());
                        } else {
                            menu.AppendMenu(item.flags, item.id, item.text.c_str());
                        }
                    }
                };
            fill(*record->menu, menuTemplate->items);
            record->menuBar = new QMenuBar(window);
            record->menuBar->setNativeMenuBar(false);
            record->menuBar->setFont(QApplication::font());
            RebuildMenuBar(record);
            record->menu->m_onChanged = [record] { RebuildMenuBar(record); };
            menuHeight = record->menuBar->sizeHint().height();
        }
    }

    const QRect clientRect = MapDialogRect(record->baseUnits, 0, 0, tmpl.cx, tmpl.cy);
    record->client = new ClientArea(record, window);
    record->client->installEventFilter(window);
    record->client->setGeometry(0, menuHeight, clientRect.width(), clientRect.height());
    if (record->menuBar)
        record->menuBar->setGeometry(0, 0, clientRect.width(), menuHeight);
    const QSize windowSize(clientRect.width(), clientRect.height() + menuHeight);
    if (tmpl.style & WS_THICKFRAME)
        window->resize(windowSize);
    else
        window->setFixedSize(windowSize);

    for (size_t i = 0; i < tmpl.controls.size(); ++i)
        CreateControl(record, tmpl.controls[i], static_cast<int>(i));

    // Tab order is template order; frames sit behind everything else.
    QWidget* previous = nullptr;
    for (auto& control : record->children) {
        QWidget* widget = control->widget;
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }
    for (auto& control : record->children)
        if (dynamic_cast<FrameBox*>(control->widget.data()))
            control->widget->lower();

    window->setAcceptDrops(true);
    window->setEnabled(!(tmpl.style & WS_DISABLED));
    {  // centred over the owner, or on the screen
        QScreen* screen = parentWidget ? parentWidget->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect area = parentWidget ? parentWidget->frameGeometry() : screen->availableGeometry();
            window->move(area.center() - QPoint(windowSize.width() / 2, windowSize.height() / 2));
        }
    }
    return record;
}

void DestroyDialogWindow(HWND__* record)
{
    if (!record || record->destroyed)
        return;
    record->destroyed = true;
    for (auto& control : record->children) {
        if (control->wnd && control->wnd != control->ownedWnd.get())
            control->wnd->m_hWnd = nullptr;  // the program's control objects outlive the window
        control->wnd = control->ownedWnd.get();
    }
    if (record->wnd && record->wnd->m_hWnd == record)
        record->wnd->m_hWnd = nullptr;
    record->wnd = nullptr;
    if (record->menu)
        record->menu->m_onChanged = nullptr;
    if (DialogWindow* window = record->window) {
        // From here on no event of these widgets reaches the program.
        window->record = nullptr;
        if (record->client)
            record->client->record = nullptr;
        record->allowClose = true;
        window->hide();
    }
    if (record->busy == 0)
        FinishDestroy(record);
}

void FinishDestroy(HWND__* record)
{
    for (auto& control : record->children) {
        if (control->ownedWnd)
            control->ownedWnd->m_hWnd = nullptr;
        ForgetRecord(control.get());
    }
    ForgetRecord(record);
    // A Qt event of these widgets may still be on the stack: they go when it has returned.
    if (record->window)
        record->window->deleteLater();
    delete record;
}

}  // namespace afx

using namespace afx;

// ---- DialogWindow ------------------------------------------------------------------------------

DialogWindow::DialogWindow(HWND__* r, QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), record(r) {}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    if (!record || record->allowClose) {
        event->accept();
        return;
    }
    // The close box is the system menu's Close: it goes through WM_SYSCOMMAND like the classic one.
    event->ignore();
    Send(record, WM_SYSCOMMAND, SC_CLOSE, 0);
}

static HWND__* ControlRecord(HWND__* dialog, QWidget* widget)
{
    HWND__* r = RecordOf(widget);
    return (r && r->parent == dialog) ? r : nullptr;
}

void DialogWindow::MoveInRadioGroup(HWND__* control, int step)
{
    auto [first, last] = record->GroupOf(control->index);
    std::vector<HWND__*> radios;
    for (int i = first; i < last; ++i) {
        HWND__* c = record->children[static_cast<size_t>(i)].get();
        if (IsRadio(c) && c->widget && c->widget->isEnabled() && c->widget->isVisible())
            radios.push_back(c);
    }
    auto it = std::find(radios.begin(), radios.end(), control);
    if (radios.size() < 2 || it == radios.end())
        return;
    const int n = static_cast<int>(radios.size());
    const int pos = static_cast<int>(it - radios.begin());
    HWND__* next = radios[static_cast<size_t>(((pos + step) % n + n) % n)];
    next->widget->setFocus(Qt::TabFocusReason);
    if (IsAutoRadio(next))
        static_cast<QAbstractButton*>(next->widget.data())->click();
}

bool DialogWindow::HandleSystemMenuKey(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space || (event->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
        return false;
    if (record && record->client)
        OpenSystemMenu(record, record->client->mapToGlobal(QPoint(0, 0)));
    return true;
}

static bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool DialogWindow::BlockedByModal() const
{
    // While another modal window (a dialog run from this one, a prompt) is up, this one takes no
    // input: the window system already keeps its events away; this keeps everything else away too.
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != this && !isAncestorOf(modal);
}

bool DialogWindow::event(QEvent* event)
{
    if (IsInput(event->type()) && BlockedByModal()) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInput(event->type()) && BlockedByModal()) {
        event->ignore();
        return true;
    }
    if (event->type() != QEvent::KeyPress || !record)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (HandleSystemMenuKey(key))
        return true;
    keyTarget_ = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    // Arrow keys move within a radio group, before the button's own handling moves the focus on.
    HWND__* control = watched->isWidgetType() ? ControlRecord(record, static_cast<QWidget*>(watched)) : nullptr;
    if (control && IsRadio(control) && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            MoveInRadioGroup(control, -1);
            return true;
        case Qt::Key_Down:
        case Qt::Key_Right:
            MoveInRadioGroup(control, 1);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    if (!record) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (HandleSystemMenuKey(event))
        return;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        // There is no key table: shortcuts shown in the menus do nothing.
        QWidget::keyPressEvent(event);
        return;
    }
    HWND__* focused = ControlRecord(record, keyTarget_ ? keyTarget_.data() : focusWidget());
    keyTarget_ = nullptr;
    switch (event->key()) {
    case Qt::Key_Escape: {
        HWND__* cancel = record->FindChild(IDCANCEL);
        Send(record, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        if (focused && focused->className == "edit" && (focused->style & ES_MULTILINE) && (focused->style & ES_WANTRETURN))
            return;
        if (auto* push = qobject_cast<QPushButton*>(focused ? focused->widget.data() : nullptr)) {
            if (push->isEnabled())
                push->click();
            return;
        }
        // The accept key is the OK button's; while that is disabled it does nothing.
        HWND__* ok = record->FindChild(IDOK);
        if (ok && ok->widget && !ok->widget->isEnabled())
            return;
        Send(record, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
        return;
    }
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

static bool HasLocalFiles(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return true;
    return false;
}

void DialogWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (record && record->acceptFiles && HasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DialogWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (record && record->acceptFiles && HasLocalFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DialogWindow::dropEvent(QDropEvent* event)
{
    if (!record || !record->acceptFiles || !HasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    std::vector<CString> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(PathFromQt(url.toLocalFile()));
    event->acceptProposedAction();
    DeliverDrop(record, paths);
}

void DialogWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && record && record->client)
        record->client->update();
    QWidget::changeEvent(event);
}

// ---- ClientArea --------------------------------------------------------------------------------

ClientArea::ClientArea(HWND__* r, QWidget* parent) : QWidget(parent), record(r) {}

void ClientArea::paintEvent(QPaintEvent*)
{
    if (!record)
        return;
    record->inPaint = true;
    Send(record, WM_PAINT, 0, 0);
    if (record)
        record->inPaint = false;
}

void ClientArea::contextMenuEvent(QContextMenuEvent* event)
{
    // The background, its texts and frames open the system menu; other controls keep the click.
    if (event->reason() == QContextMenuEvent::Mouse)
        if (HWND__* control = RecordOf(childAt(event->pos())))
            if (control != record && control->className != "static")
                return;
    OpenSystemMenu(record, event->globalPos());
}

// ---- FrameBox ----------------------------------------------------------------------------------

FrameBox::FrameBox(const QString& caption, bool centred, int captionIndent, QWidget* parent)
    : QWidget(parent), caption_(caption), centred_(centred), captionIndent_(captionIndent)
{
}

void FrameBox::SetCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

void FrameBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int textHeight = metrics.height();
    // An etched box, its top line through the middle of the caption, as the classic group box.
    const QRect box = rect().adjusted(0, textHeight / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(box.adjusted(1, 1, 0, 0));

    const QString text = StripMnemonic(caption_);
    if (text.isEmpty())
        return;
    const int textWidth = std::min(metrics.horizontalAdvance(text), std::max(0, width() - 2 * captionIndent_));
    const int x = centred_ ? (width() - textWidth) / 2 : captionIndent_;
    const QRect textRect(x, 0, textWidth, textHeight);
    // The caption's own background breaks the frame line, trailing blanks included.
    painter.fillRect(textRect, palette().brush(QPalette::Window));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}
