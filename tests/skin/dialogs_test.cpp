// The Options dialog, run by the controller as the menu runs it, and the About dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QPushButton>

#include "report/maker_site.h"
#include "skin/about_dialog.h"
#include "skin/controls/hyperlink.h"
#include "skin/menus.h"
#include "skin/options_dialog.h"
#include "tests/skin/main_window_fixture.h"
#include "tests/skin/popup_driver.h"

namespace velotune::test {
namespace {

// The check boxes in the order the tests spell their states: "1" checked, "0" clear.
constexpr int kBoxes[] = {kIdOptionAlwaysOnTop, kIdOptionStartWithSession,
                          kIdOptionDisableTrayIcon};

QString Boxes(const COptionsDlg* dialog) {
    QString boxes;
    for (int id : kBoxes)
        boxes += dialog->CheckBox(id)->isChecked() ? u'1' : u'0';
    return boxes;
}

class OptionsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MakeController({MakeStation(QStringLiteral("Alpha FM"), DeadUrl())}, {1});
        factory_.trayAvailable = true;
        OpenWindow();
        controller_->ShowTrayIconAtStart();
    }
    // Arms the next Options dialog: records the boxes it opens with, sets them and presses OK.
    void AnswerOptions(const QString& set, QString* shown = nullptr) {
        WhenModalUp([=](QWidget* widget) {
            auto* dialog = qobject_cast<COptionsDlg*>(widget);
            if (!dialog)
                return false;
            if (shown)
                *shown = Boxes(dialog);
            for (int i = 0; i < 3; ++i)
                dialog->CheckBox(kBoxes[i])->setChecked(set[i] == u'1');
            dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
            return true;
        });
    }
    int Stored(int (CSettingsStore::*read)(int*) const) {
        int value = -1;
        return (controller_->Settings().*read)(&value) ? value : -1;
    }
};

TEST_F(OptionsTest, OkStoresAndAppliesEveryChoice) {
    QString shown;
    AnswerOptions(QStringLiteral("011"), &shown);
    controller_->ApplyOptions();
    EXPECT_EQ(shown, QStringLiteral("100"));  // as the start-up left them
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 0);
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 1);

    AnswerOptions(QStringLiteral("100"), &shown);
    controller_->ApplyOptions();
    EXPECT_EQ(shown, QStringLiteral("011"));
    EXPECT_TRUE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 1);
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 0);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(OptionsTest, AChoiceThatCannotBeStoredIsReported) {
    // A plain file where the autostart folder should be.
    QFile blocker(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    AnswerOptions(QStringLiteral("110"));
    controller_->ApplyOptions();
    EXPECT_EQ(messages_.Texts(), QStringList{QStringLiteral("Failed to save Velotune options")});
}

TEST_F(OptionsTest, DisablingTheTrayWhileHiddenEndsTheProgramAndTheNextStartShowsIt) {
    controller_->HideToTray(0);
    AnswerOptions(QStringLiteral("101"));
    WhenMenuUp([](QMenu* menu) { ClickItem(menu, kCmdOptions); });
    controller_->ShowSystemMenu(1, {});
    Drain();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window_);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 1);
}

TEST(AboutTest, TheDialogNamesTheProductWhatItIsBuiltOnAndTheSupportPage) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    const QStringList texts = about.Texts();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts[0], QStringLiteral("Velotune 2.1"));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("FFmpeg")) && texts[2].contains("ALSA"));
    EXPECT_EQ(about.SupportLink()->LinkUrl().toString(), SupportPageUrl());
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("1022"))->size(), QSize(240, 64));
}

}  // namespace
}  // namespace velotune::test
