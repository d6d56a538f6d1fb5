// Dialog units and the dialog's font (see dialog_units.h).
#include <algorithm>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include "framework/qt/dialog_units.h"
#include "framework/qt/text.h"

namespace afx {

static int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// Faces of the classic platform and what stands in for them here, most faithful first.
static QString ResolveFamily(const QString& face) {
    static const struct {
        const char* face;
        const char* substitute;
    } kSubstitutes[] = {
        {"ＭＳ Ｐゴシック", "IPAPGothic"},  // metrically compatible
        {"Arial", "Liberation Sans"},
        {"Arial", "Nimbus Sans"},
    };
    if (!face.isEmpty() && QFontDatabase::hasFamily(face)) return face;
    for (const auto& s : kSubstitutes)
        if (face == QString::fromUtf8(s.face) && QFontDatabase::hasFamily(QString::fromUtf8(s.substitute)))
            return QString::fromUtf8(s.substitute);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont ResolveDialogFont(const CString& face, int pointSize) {
    QFont font(ResolveFamily(ToQt(face)));
    int dpi = 96;
    if (QScreen* screen = QGuiApplication::primaryScreen()) dpi = qRound(screen->logicalDotsPerInchY());
    // The classic dialog manager asks for a character height of pointSize * dpi / 72, rounded.
    font.setPixelSize(std::max(1, MulDiv(pointSize > 0 ? pointSize : 8, dpi, 72)));
    return font;
}

QSize BaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((width / 26 + 1) / 2, metrics.height());
}

QRect MapDialogRect(QSize base, int x, int y, int cx, int cy) {
    const int left = MulDiv(x, base.width(), 4);
    const int top = MulDiv(y, base.height(), 8);
    const int right = MulDiv(x + cx, base.width(), 4);
    const int bottom = MulDiv(y + cy, base.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace afx
