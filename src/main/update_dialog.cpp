#include "main/update_dialog.h"

#include "library/update_feed.h"
#include "library/updater.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QUrl>
#include <QVBoxLayout>

namespace ks {

namespace {

QPointer<UpdateDialog>& openDialog() {
    static QPointer<UpdateDialog> dialog;
    return dialog;
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

UpdateDialog::UpdateDialog() {
    setObjectName(QStringLiteral("updateCheckDialog"));
    setWindowTitle(QStringLiteral("Check for Updates"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setMinimumWidth(360);

    m_status = new QLabel(QStringLiteral("Checking for updates…"), this);
    m_status->setObjectName(QStringLiteral("updateStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("updateBusy"));
    m_busy->setRange(0, 0); // no known end: the bar runs back and forth
    m_busy->setTextVisible(false);

    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("updateLink"));
    m_link->setTextFormat(Qt::RichText);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_link->setWordWrap(true);
    m_link->hide();
    // The address checked by the feed reader is opened, never one read back from the label.
    connect(m_link, &QLabel::linkActivated, this,
            [this] { QDesktopServices::openUrl(QUrl(m_url, QUrl::StrictMode)); });

    // Plain text: the notes come from the server, and a label would take markup for rich text.
    m_notes = new QLabel(this);
    m_notes->setObjectName(QStringLiteral("updateNotes"));
    m_notes->setTextFormat(Qt::PlainText);
    m_notes->setWordWrap(true);
    m_notes->hide();

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_buttons->setObjectName(QStringLiteral("updateButtons"));
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_busy);
    layout->addWidget(m_link);
    layout->addWidget(m_notes);
    layout->addWidget(m_buttons);
}

void UpdateDialog::showUpdateCheck(Updater* updater) {
    if (UpdateDialog* open = openDialog()) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    auto* dialog = new UpdateDialog;
    openDialog() = dialog;
    dialog->show();
    if (!updater) {
        dialog->showResult(UpdateCheckResult::noFeed());
        return;
    }
    // The answer comes on a later turn of the loop; the window may be closed by then.
    updater->checkForUpdates([dialog = QPointer<UpdateDialog>(dialog)](const auto& result) {
        if (dialog)
            dialog->showResult(result);
    });
}

void UpdateDialog::showResult(const UpdateCheckResult& result) {
    using Outcome = UpdateCheckResult::Outcome;
    m_busy->hide();
    switch (result.outcome) {
    case Outcome::upToDate:
        m_status->setText(QStringLiteral("Kestrane Wallpapers %1 is the newest version.")
                              .arg(text(result.version)));
        break;
    case Outcome::updateAvailable: {
        m_status->setText(
            QStringLiteral("Kestrane Wallpapers %1 is available.").arg(text(result.version)));
        m_url = text(result.url);
        const QString escaped = m_url.toHtmlEscaped();
        m_link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped));
        m_link->show();
        m_notes->setText(text(result.notes));
        m_notes->setVisible(!result.notes.empty());
        break;
    }
    case Outcome::failed:
        m_status->setText(
            QStringLiteral("Couldn't check for updates: %1.").arg(text(result.reason)));
        break;
    }
    adjustSize();
}

} // namespace ks
