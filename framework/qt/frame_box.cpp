// The drawing of group frames (see frame_box.h).
#include "framework/qt/frame_box.h"

#include <algorithm>

#include <QPainter>

#include "framework/qt/text.h"

using afx::StripMnemonic;

FrameBox::FrameBox(const QString& caption, bool centred, int captionIndent, QWidget* parent)
    : QWidget(parent), caption_(caption), centred_(centred), captionIndent_(captionIndent) {}

void FrameBox::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void FrameBox::paintEvent(QPaintEvent*) {
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
    if (text.isEmpty()) return;
    const int textWidth = std::min(metrics.horizontalAdvance(text), std::max(0, width() - 2 * captionIndent_));
    const int x = centred_ ? (width() - textWidth) / 2 : captionIndent_;
    const QRect textRect(x, 0, textWidth, textHeight);
    // The caption's own background breaks the frame line, trailing blanks included.
    painter.fillRect(textRect, palette().brush(QPalette::Window));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}
