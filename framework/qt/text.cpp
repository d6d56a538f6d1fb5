// Text between the program and Qt: UTF-8 strings, file-system paths, mnemonics and edit line ends.
#include <QFile>

#include "framework/qt/text.h"
#include "framework/qt/window_record.h"

namespace afx {

QString ToQt(const char* text) { return text ? QString::fromUtf8(text) : QString(); }
QString ToQt(const CString& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

CString FromQt(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return CString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Paths go through the file system's own encoding so that names which are not valid UTF-8 survive.
QString PathToQt(const CString& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

CString PathFromQt(const QString& path) {
    QByteArray bytes = QFile::encodeName(path);
    return CString(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString StripMnemonic(const QString& text) {
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

QString EditTextToQt(const HWND__* control, const CString& text) {
    QString q = ToQt(text);
    if (control->style & ES_MULTILINE) q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

CString EditTextFromQt(const HWND__* control, const QString& text) {
    if (!(control->style & ES_MULTILINE)) return FromQt(text);
    QString q = text;
    q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQt(q);
}

}  // namespace afx
