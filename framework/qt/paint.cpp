// Painting: a device context over a QPainter on the window's client area.
#include <QImage>
#include <QPainter>

#include "framework/qt/qt_access.h"
#include "framework/qt/window_record.h"

using namespace afx;

struct HDC__ {
    QImage scratch;  // drawn into when the window is not inside its paint event
    std::unique_ptr<QPainter> painter;
    HWND__* window = nullptr;
};

std::vector<AfxQtDrawIconCall>& AfxQtDrawIconLog() {
    static std::vector<AfxQtDrawIconCall> log;
    return log;
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    if (!m_hDC || !hIcon) return FALSE;
    const int size = GetSystemMetrics(SM_CXICON);
    m_hDC->painter->drawImage(QRect(x, y, size, size), AfxQtIconImage(hIcon, size));
    AfxQtDrawIconLog().push_back({x, y, hIcon});
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_pWnd(pWnd) {
    auto dc = new HDC__;
    HWND__* record = pWnd ? pWnd->m_hWnd : nullptr;
    dc->window = record;
    QWidget* area = record ? (record->client ? static_cast<QWidget*>(record->client) : record->widget.data()) : nullptr;
    if (area && record->inPaint) {
        dc->painter = std::make_unique<QPainter>(area);
    } else {
        const QSize size = area ? area->size() : QSize(1, 1);
        dc->scratch = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        dc->painter = std::make_unique<QPainter>(&dc->scratch);
    }
    if (area) dc->painter->setFont(area->font());
    m_hDC = dc;
}

CPaintDC::~CPaintDC() {
    if (m_hDC) {
        m_hDC->painter->end();
        delete m_hDC;
        m_hDC = nullptr;
    }
}

namespace afx {

void EraseBackground(HWND__* record, HDC dc) {
    if (!dc || !dc->painter || !record) return;
    QWidget* area = record->client ? static_cast<QWidget*>(record->client) : record->widget.data();
    if (area) dc->painter->fillRect(QRect(QPoint(0, 0), area->size()), area->palette().brush(QPalette::Window));
}

}  // namespace afx
