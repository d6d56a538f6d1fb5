// A dialog's window: building it from its template and taking it down, and the Qt widgets that carry
// it — the top-level window (keys, close box, drops) and the client area that holds the controls
// (painting, the system menu on a right click).
#pragma once

#include <QPointer>
#include <QWidget>

#include "framework/qt/window_record.h"

class DialogWindow : public QWidget {
public:
    DialogWindow(HWND__* record, QWidget* parent, Qt::WindowFlags flags);
    HWND__* record;  // null once the dialog's window has been destroyed

    bool BlockedByModal() const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool HandleSystemMenuKey(QKeyEvent* event);
    QPointer<QWidget> keyTarget_;  // the control a key press went to before it reached the window
    void MoveInRadioGroup(HWND__* control, int step);
};

class ClientArea : public QWidget {
public:
    ClientArea(HWND__* record, QWidget* parent);
    HWND__* record;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

namespace afx {

// The dialog's window with its menu bar and controls, hidden; owner is the object it is attached to.
HWND__* CreateDialogWindow(const DialogTemplate& tmpl, CWnd* owner, CWnd* parent);
// Detaches the objects and hides the window; the record goes once no message is being handled.
void DestroyDialogWindow(HWND__* record);
void FinishDestroy(HWND__* record);

}  // namespace afx
