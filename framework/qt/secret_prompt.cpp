// The pass-phrase prompt: a modal dialog with a masked entry, and a confirmation entry for new
// pass phrases.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "framework/afxtest.h"
#include "framework/qt/qt_access.h"
#include "framework/qt/wait_cursor.h"
#include "framework/qt/window_record.h"

using namespace afx;

namespace {
AfxSecretPromptHook g_secretHook;

// Why OK is refused, or empty when it is not.
QString Refusal(const SecretPromptRequest& request, const QString& entry, const QString& confirmation) {
    if (!request.confirm) return {};
    if (entry.isEmpty()) return QStringLiteral("Enter a pass phrase.");
    if (entry != confirmation) return QStringLiteral("The two entries differ.");
    return {};
}
}  // namespace

void AfxSetSecretPromptHook(AfxSecretPromptHook hook) { g_secretHook = std::move(hook); }

bool AfxPromptSecret(const SecretPromptRequest& request, std::string* out) {
    if (out) out->clear();
    if (g_secretHook) {
        std::optional<std::string> answer = g_secretHook(request);
        // A new pass phrase must not be empty: an empty scripted answer counts as Cancel, as the
        // dialog would not let it through.
        if (!answer || (request.confirm && answer->empty())) return false;
        if (out) *out = std::move(*answer);
        return true;
    }

    // Parentless: the dialog's life is this function's, whatever happens to the windows around it.
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(ToQt(request.title.empty() ? CString(AfxGetAppName()) : request.title));
    auto* layout = new QVBoxLayout(&dialog);
    if (request.retry) {
        auto* wrong = new QLabel(QStringLiteral("The pass phrase was wrong. Please try again."), &dialog);
        wrong->setObjectName(QStringLiteral("retryNotice"));
        layout->addWidget(wrong);
    }
    auto* prompt = new QLabel(ToQt(request.prompt), &dialog);
    prompt->setWordWrap(true);
    prompt->setTextFormat(Qt::PlainText);
    layout->addWidget(prompt);
    auto* form = new QFormLayout;
    auto* entry = new QLineEdit(&dialog);
    entry->setObjectName(QStringLiteral("passPhrase"));
    entry->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Pass phrase:"), entry);
    QLineEdit* confirmation = nullptr;
    if (request.confirm) {
        confirmation = new QLineEdit(&dialog);
        confirmation->setObjectName(QStringLiteral("confirmation"));
        confirmation->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("Confirm:"), confirmation);
    }
    layout->addLayout(form);
    auto* status = new QLabel(&dialog);
    status->setObjectName(QStringLiteral("status"));
    layout->addWidget(status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);

    auto update = [&] {
        const QString refusal = Refusal(request, entry->text(), confirmation ? confirmation->text() : QString());
        ok->setEnabled(refusal.isEmpty());
        status->setText(refusal);
    };
    QObject::connect(entry, &QLineEdit::textChanged, &dialog, update);
    if (confirmation) QObject::connect(confirmation, &QLineEdit::textChanged, &dialog, update);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (Refusal(request, entry->text(), confirmation ? confirmation->text() : QString()).isEmpty()) dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    update();
    entry->setFocus();

    afx::NormalCursorWhilePrompting normalCursor;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted && out) {
        QByteArray bytes = entry->text().toUtf8();
        out->assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        bytes.fill('\0');
    }
    // Leave no copy of the entry in the widgets once the dialog is gone.
    entry->clear();
    if (confirmation) confirmation->clear();
    return accepted;
}
