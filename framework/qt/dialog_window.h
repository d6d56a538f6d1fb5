// The Qt widgets of a dialog: the top-level window (keys, close box, drops), the client area that
// holds the controls (painting, the system menu on a right click) and the drawn group frames.
#pragma once

#include <QPointer>
#include <QWidget>

#include "framework/qt/qt_access.h"
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

// A group frame: a drawn box with its caption on the top edge. It sits behind the other controls
// and lets the mouse through, as the classic group box does.
class FrameBox : public QWidget {
public:
    FrameBox(const QString& caption, bool centred, int captionIndent, QWidget* parent);
    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    bool centred_;
    int captionIndent_;
};

namespace afx {

AfxQtPopupHook& PopupHook();
// Sends a message to the window's attached object; 0 when the window is gone.
LRESULT Send(HWND__* record, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The dialog's font for a template face and size, substituting faces that are not installed.
QFont ResolveDialogFont(const CString& face, int pointSize);
QSize BaseUnits(const QFont& font);
QRect MapDialogRect(QSize baseUnits, int x, int y, int cx, int cy);
// Hands a drop of files to the dialog as WM_DROPFILES (drop.cpp).
void DeliverDrop(HWND__* record, const std::vector<CString>& paths);
QIcon QtIcon(HICON icon);

}  // namespace afx
