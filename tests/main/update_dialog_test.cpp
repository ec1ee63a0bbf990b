#include "library/curl_http_client.h"
#include "library/updater.h"
#include "main/update_dialog.h"
#include "support/feed_server.h"
#include "support/temp_home.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace ks::test {
namespace {

QList<QWidget*> dialogs() {
    QList<QWidget*> open = QApplication::topLevelWidgets();
    open.removeIf([](QWidget* w) { return w->objectName() != "updateCheckDialog"; });
    return open;
}

// The text of the open dialog's label `name`; empty while it is hidden; "busy" for the bar.
QString shown(const char* name) {
    const auto* part = dialogs().value(0)->findChild<QWidget*>(name);
    const auto* label = qobject_cast<const QLabel*>(part);
    return !part->isVisibleTo(part->window()) ? QString() : label ? label->text() : "busy";
}

// As the Close button does; the window then goes on the loop's next turn.
void closeDialogs() {
    for (QWidget* dialog : dialogs())
        dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(UpdateDialog, ShowsCheckingThenTheOutcomeOfTheServersAnswerInOneWindow) {
    TempHome home;
    home.setVar("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "updates";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    TestEnvironment env;
    FeedServer server;
    CurlHttpClient http(kLargestUpdateFeed, HttpTimeout::wholeRequest);
    Updater updater(env.loop, env.queue(std::string(kUpdateQueueLabel)), http, server.url(),
                    "0.1.0");
    struct Case {
        FeedReply reply;
        QString status, link, notes;
    };
    const std::vector<Case> cases{
        {{200, feed("0.2.0")},
         "Kestrane Wallpapers 0.2.0 is available.",
         R"(<a href="https://example.org/get">https://example.org/get</a>)",
         "Quicker fades."},
        {{200, feed("0.1.0")}, "Kestrane Wallpapers 0.1.0 is the newest version."},
        {{404}, "Couldn't check for updates: the update server answered with HTTP status 404."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        server.reply(c.reply);
        env.advance(Updater::kReuseResultFor, Updater::kReuseResultFor); // a fresh answer
        UpdateDialog::showUpdateCheck(&updater);
        UpdateDialog::showUpdateCheck(&updater); // raises the open window
        ASSERT_EQ(dialogs().size(), 1);
        EXPECT_EQ(dialogs()[0]->windowTitle(), "Check for Updates");
        EXPECT_EQ(shown("updateStatus"), "Checking for updates…");
        EXPECT_EQ(shown("updateBusy"), "busy");
        env.runUntilIdle();
        EXPECT_EQ(shown("updateStatus"), c.status);
        EXPECT_EQ(shown("updateBusy"), "");
        EXPECT_EQ(shown("updateLink"), c.link);
        EXPECT_EQ(shown("updateNotes"), c.notes);
        closeDialogs();
    }
    UpdateDialog::showUpdateCheck(nullptr);
    EXPECT_EQ(shown("updateStatus"), "Couldn't check for updates: no update feed is configured.");
    closeDialogs();

    // A window closed before its answer is not told.
    UpdateDialog::showUpdateCheck(&updater);
    closeDialogs();
    env.advance(Updater::kReuseResultFor, Updater::kReuseResultFor);
    EXPECT_TRUE(dialogs().isEmpty());
    EXPECT_EQ(server.requests(), 4);
}

} // namespace
} // namespace ks::test
