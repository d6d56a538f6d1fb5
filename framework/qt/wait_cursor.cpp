// The busy cursor: Qt's application-wide override cursor, set and restored around the work (the work
// runs on the window's own thread, so nothing else can show that the window is busy).
#include <QCursor>
#include <QGuiApplication>

#include "framework/afxwin.h"
#include "framework/qt/wait_cursor.h"

namespace {

bool PushCursor(Qt::CursorShape shape) {
    if (QGuiApplication::instance() == nullptr) return false;
    QGuiApplication::setOverrideCursor(QCursor(shape));
    return true;
}

}  // namespace

CWaitCursor::CWaitCursor() : set_(PushCursor(Qt::WaitCursor)) {}

CWaitCursor::~CWaitCursor() {
    if (set_) QGuiApplication::restoreOverrideCursor();
}

namespace afx {

NormalCursorWhilePrompting::NormalCursorWhilePrompting()
    : set_(QGuiApplication::instance() != nullptr && QGuiApplication::overrideCursor() != nullptr &&
           PushCursor(Qt::ArrowCursor)) {}

NormalCursorWhilePrompting::~NormalCursorWhilePrompting() {
    if (set_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace afx
