#include "library/curl_http_client.h"
#include "library/updater.h"
#include "main/update_dialog.h"
#include "support/feed_server.h"
#include "support/log_capture.h"
#include "support/temp_home.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

namespace ks::test {
namespace {

class UpdateDialogTest : public ::testing::Test {
protected:
    UpdateDialogTest() {
        m_home.setVar("QT_QPA_PLATFORM", "offscreen");
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }

    std::vector<QWidget*> dialogs() const {
        std::vector<QWidget*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QStringLiteral("updateCheckDialog"))
                found.push_back(widget);
        return found;
    }
    template <typename Widget> Widget* part(const char* name) const {
        const auto open = dialogs();
        return open.size() == 1 ? open[0]->findChild<Widget*>(QString::fromUtf8(name)) : nullptr;
    }
    bool shown(const char* name) const {
        const QWidget* widget = part<QWidget>(name);
        return widget && widget->isVisibleTo(widget->window());
    }
    void closeDialog() {
        for (QWidget* dialog : dialogs())
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::unique_ptr<Updater> makeUpdater() {
        return std::make_unique<Updater>(m_env.loop, m_env.queue(std::string(kUpdateQueueLabel)),
                                         m_http, m_server.url(), "0.1.0");
    }

    TempHome m_home;
    LogCapture m_log;
    TestEnvironment m_env;
    FeedServer m_server;
    CurlHttpClient m_http{kLargestUpdateFeed, HttpTimeout::wholeRequest};
    int m_argc = 1;
    char m_name[8] = "updates";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

TEST_F(UpdateDialogTest, ShowsCheckingThenTheOutcomeOfTheServersAnswer) {
    struct Case {
        const char* what;
        FeedReply reply;
        QString status;
        const char* link; // the link's address, or nullptr for no link
        QString notes;
        bool noFeed = false;
    };
    const std::vector<Case> cases{
        {"a newer version",
         {200, feed("0.2.0")},
         QStringLiteral("Kestrane Wallpapers 0.2.0 is available."),
         "https://example.org/get",
         QStringLiteral("Quicker fades.")},
        {"our version",
         {200, feed("0.1.0")},
         QStringLiteral("Kestrane Wallpapers 0.1.0 is the newest version."),
         nullptr,
         {}},
        {"not found",
         {404},
         QStringLiteral("Couldn't check for updates: the update server answered with HTTP status "
                        "404."),
         nullptr,
         {}},
        {"no feed in this build",
         {},
         QStringLiteral("Couldn't check for updates: no update feed is configured."),
         nullptr,
         {},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_server.script({c.reply});
        const auto updater = makeUpdater();
        UpdateDialog::showUpdateCheck(c.noFeed ? nullptr : updater.get());
        ASSERT_EQ(dialogs().size(), 1u);
        EXPECT_EQ(dialogs()[0]->windowTitle(), QStringLiteral("Check for Updates"));
        if (!c.noFeed) {
            EXPECT_EQ(part<QLabel>("updateStatus")->text(),
                      QStringLiteral("Checking for updates…"));
            EXPECT_TRUE(shown("updateBusy"));
        }
        m_env.runUntilIdle();

        EXPECT_EQ(part<QLabel>("updateStatus")->text(), c.status);
        EXPECT_FALSE(shown("updateBusy"));
        EXPECT_EQ(shown("updateLink"), c.link != nullptr);
        if (c.link) {
            EXPECT_TRUE(
                part<QLabel>("updateLink")
                    ->text()
                    .contains(QStringLiteral("href=\"%1\"").arg(QString::fromUtf8(c.link))));
        }
        EXPECT_EQ(shown("updateNotes"), !c.notes.isEmpty());
        EXPECT_EQ(part<QLabel>("updateNotes")->text(), c.notes);
        EXPECT_TRUE(shown("updateButtons"));
        EXPECT_EQ(m_server.requests(), c.noFeed ? 0u : 1u);
        closeDialog();
    }
}

TEST_F(UpdateDialogTest, OneWindowAtATimeAndAClosedOneHearsNothing) {
    m_server.script({{200, feed("0.2.0")}});
    const auto updater = makeUpdater();
    UpdateDialog::showUpdateCheck(updater.get());
    UpdateDialog::showUpdateCheck(updater.get()); // raises the open window
    EXPECT_EQ(dialogs().size(), 1u);
    EXPECT_EQ(m_env.queue(std::string(kUpdateQueueLabel)).size(), 1u);

    closeDialog(); // before the answer
    EXPECT_TRUE(dialogs().empty());
    m_env.runUntilIdle();

    // A new window right after is answered from the check that just completed.
    UpdateDialog::showUpdateCheck(updater.get());
    m_env.runUntilIdle();
    EXPECT_EQ(part<QLabel>("updateStatus")->text(),
              QStringLiteral("Kestrane Wallpapers 0.2.0 is available."));
    EXPECT_EQ(m_server.requests(), 1u);
    closeDialog();
}

} // namespace
} // namespace ks::test
