// A group frame: a drawn box with its caption on the top edge. It sits behind the other controls
// and lets the mouse through, as the classic group box does.
#pragma once

#include <QString>
#include <QWidget>

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
