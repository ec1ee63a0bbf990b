#include "main/ask_for_name.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace ks {

namespace {

QLabel* plainLabel(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    // Never markup: the texts may hold a collection's name.
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromStdString(text));
    label->setWordWrap(true);
    return label;
}

} // namespace

std::optional<std::string> askForName(const NamePrompt& prompt) {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("namePrompt"));
    dialog.setWindowTitle(QString::fromStdString(prompt.title));
    dialog.setWindowModality(Qt::ApplicationModal);

    auto* layout = new QVBoxLayout(&dialog);
    QLabel* heading = plainLabel(prompt.title, &dialog);
    heading->setObjectName(QStringLiteral("promptTitle"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    if (!prompt.message.empty()) {
        QLabel* message = plainLabel(prompt.message, &dialog);
        message->setObjectName(QStringLiteral("promptMessage"));
        layout->addWidget(message);
    }
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("nameField"));
    field->setFixedSize(240, 24);
    field->setPlaceholderText(QString::fromStdString(prompt.placeholder));
    field->setText(QString::fromStdString(prompt.initial));
    field->selectAll();
    layout->addWidget(field);

    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* confirm = buttons->addButton(prompt.initial.empty() ? QStringLiteral("Create")
                                                                     : QStringLiteral("Rename"),
                                              QDialogButtonBox::AcceptRole);
    confirm->setObjectName(QStringLiteral("confirmButton"));
    confirm->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Without a window manager nobody hands the keyboard back to the window that had it.
    const QPointer<QWidget> activeBefore = QApplication::activeWindow();
    const auto giveBack = [&] {
        if (activeBefore && activeBefore->isVisible())
            activeBefore->activateWindow();
    };
    // A tray application has no window in front: the prompt must come up above the others.
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    field->setFocus();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    giveBack();
    if (!accepted)
        return std::nullopt;
    return field->text().toStdString();
}

} // namespace ks
