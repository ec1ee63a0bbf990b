#pragma once

#include <QDialog>
#include <QString>

class QDialogButtonBox;
class QLabel;
class QProgressBar;

namespace ks {

class Updater;
struct UpdateCheckResult;

// The "Check for Updates" window: a busy line while the check runs, then the outcome, with a
// link to the new version's download page when there is one. It never waits on the main thread
// and installs nothing.
class UpdateDialog final : public QDialog {
public:
    // Opens the window and starts a check with `updater`; with none (the build names no feed)
    // the window says so. One window at a time: while it is open, this raises it.
    static void showUpdateCheck(Updater* updater);

private:
    UpdateDialog();
    void showResult(const UpdateCheckResult& result);

    QLabel* m_status = nullptr;
    QProgressBar* m_busy = nullptr;
    QLabel* m_link = nullptr;
    QLabel* m_notes = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QString m_url;
};

} // namespace ks
