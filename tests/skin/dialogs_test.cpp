// The Options dialog and the About dialog: what the Options dialog starts from, what OK stores
// and applies through the controller, and what the About dialog says.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>

#include "platform/registry/registry.h"
#include "report/maker_site.h"
#include "skin/about_dialog.h"
#include "skin/controls/hyperlink.h"
#include "skin/menus.h"
#include "skin/options_dialog.h"
#include "tests/skin/main_window_fixture.h"
#include "tests/skin/popup_driver.h"

namespace velotune::test {
namespace {

struct Checks {
    bool alwaysOnTop = false;
    bool startWithSession = false;
    bool trayIconDisabled = false;
    bool operator==(const Checks&) const = default;
};

Checks Read(const COptionsDlg* dialog) {
    return {dialog->CheckBox(kIdOptionAlwaysOnTop)->isChecked(),
            dialog->CheckBox(kIdOptionStartWithSession)->isChecked(),
            dialog->CheckBox(kIdOptionDisableTrayIcon)->isChecked()};
}

class OptionsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MakeController({MakeStation(QStringLiteral("Alpha FM"), DeadUrl())}, {1});
        factory_.trayAvailable = true;
    }
    void Open() {
        OpenWindow();
        controller_->ShowTrayIconAtStart();
    }

    // Runs the Options dialog from the controller; the dialog opens showing *shown, gets the
    // check states `set` and is closed with OK (or Cancel).
    void RunOptions(const Checks& set, Checks* shown = nullptr, bool ok = true) {
        WhenModalUp<COptionsDlg>([=](COptionsDlg* dialog) {
            if (shown)
                *shown = Read(dialog);
            dialog->CheckBox(kIdOptionAlwaysOnTop)->setChecked(set.alwaysOnTop);
            dialog->CheckBox(kIdOptionStartWithSession)->setChecked(set.startWithSession);
            dialog->CheckBox(kIdOptionDisableTrayIcon)->setChecked(set.trayIconDisabled);
            dialog->findChild<QPushButton*>(ok ? QStringLiteral("1") : QStringLiteral("2"))
                ->click();
        });
        controller_->ApplyOptions();
        Drain();
    }

    int Stored(int (CSettingsStore::*read)(int*) const) {
        int value = -1;
        EXPECT_TRUE((controller_->Settings().*read)(&value));
        return value;
    }
};

TEST_F(OptionsTest, TheDialogShowsItsControlsAndTheStoredChoices) {
    {
        // A fresh machine: nothing stored, every box clear.
        COptionsDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Velotune Options"));
        EXPECT_EQ(Read(&dialog), Checks{});
        EXPECT_EQ(dialog.CheckBox(kIdOptionAlwaysOnTop)->text(),
                  QStringLiteral("Always have Velotune on top"));
        EXPECT_EQ(dialog.CheckBox(kIdOptionStartWithSession)->text(),
                  QStringLiteral("Start Velotune when Windows starts up"));
        EXPECT_EQ(dialog.CheckBox(kIdOptionDisableTrayIcon)->text(),
                  QStringLiteral("Disable Velotune Tray Icon"));
        QStringList groups;
        for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
            groups.append(group->title());
        EXPECT_EQ(groups, (QStringList{"Program Settings", "Windows Related"}));
        for (int id : {kIdOptionAlwaysOnTop, kIdOptionStartWithSession, kIdOptionDisableTrayIcon})
            EXPECT_EQ(dialog.findChild<QCheckBox*>(QString::number(id)), dialog.CheckBox(id));
        EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("1"))->text(), "OK");
        EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("2"))->text(), "Cancel");
    }
    CSettingsStore& settings = controller_->Settings();
    ASSERT_TRUE(settings.WriteAlwaysOnTop(1));
    ASSERT_TRUE(settings.WriteTrayIcon(1));
    ASSERT_TRUE(settings.WriteRunAtStartup());
    COptionsDlg dialog;
    EXPECT_EQ(Read(&dialog), (Checks{true, true, true}));
}

TEST_F(OptionsTest, OkStoresAndAppliesEveryChoice) {
    Open();
    ASSERT_TRUE(factory_.tray && factory_.tray->shown);

    Checks shown;
    RunOptions({false, true, true}, &shown);
    EXPECT_EQ(shown, (Checks{true, false, false}));  // as the start-up left them
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_FALSE(controller_->IsTrayIconShown());
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 0);
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QString program;
    ASSERT_TRUE(platform::ReadStartupEntry(QStringLiteral("velotune"), &program));
    EXPECT_FALSE(program.isEmpty());

    RunOptions({true, false, false}, &shown);
    EXPECT_EQ(shown, (Checks{false, true, true}));
    EXPECT_TRUE(factory_.tray->shown);
    EXPECT_TRUE(controller_->IsTrayIconShown());
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 1);
    EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 0);
    EXPECT_TRUE(messages_.Texts().isEmpty());
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(OptionsTest, CancelChangesNothing) {
    Open();
    RunOptions({false, true, true}, nullptr, false);
    EXPECT_TRUE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 0);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 1);
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 0);
}

TEST_F(OptionsTest, AChoiceThatCannotBeStoredIsReported) {
    Open();
    // A plain file where the autostart folder should be.
    QFile blocker(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    RunOptions({true, true, false});
    EXPECT_EQ(messages_.Texts(), QStringList{QStringLiteral("Failed to save Velotune options")});
    EXPECT_TRUE(window_);  // the program goes on
}

TEST_F(OptionsTest, DisablingTheTrayWhileHiddenEndsTheProgramSoTheNextStartShowsIt) {
    Open();
    controller_->HideToTray(0);
    ASSERT_FALSE(window_->isVisible());

    // Chosen from the tray menu, as the user would.
    WhenModalUp<COptionsDlg>([](COptionsDlg* dialog) {
        dialog->CheckBox(kIdOptionDisableTrayIcon)->setChecked(true);
        dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    WhenMenuUp([](QMenu* menu) { EXPECT_TRUE(ClickItem(menu, kCmdOptions)); });
    controller_->ShowSystemMenu(1, {});
    Drain();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_FALSE(window_);
    EXPECT_FALSE(controller_->IsTrayIconShown());
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadShowWindow), 1);
}

TEST(AboutTest, TheDialogNamesTheProductWhatItIsBuiltOnAndTheSupportPage) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    const QStringList texts = about.Texts();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts[0], QStringLiteral("Velotune 2.1"));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("FFmpeg")));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("ALSA")));
    EXPECT_TRUE(texts[3].contains(QStringLiteral("Qt")));

    const CHyperLink* link = about.SupportLink();
    EXPECT_EQ(link->LinkKind(), CHyperLink::kWeb);
    EXPECT_EQ(link->LinkUrl().toString(), SupportPageUrl());
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->font().pointSize(), 8);

    const QWidget* logo = about.findChild<QWidget*>(QStringLiteral("1022"));
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->size(), QSize(240, 64));
    EXPECT_NE(about.findChild<QPushButton*>(QStringLiteral("1")), nullptr);
}

}  // namespace
}  // namespace velotune::test
