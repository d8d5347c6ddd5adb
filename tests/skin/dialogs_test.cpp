// The Options dialog, run by the controller as the menu runs it, and the About dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "report/maker_site.h"
#include "skin/about_dialog.h"
#include "skin/controls/hyperlink.h"
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
    // Arms the next Options dialog: records the boxes it opens with, sets them and presses the
    // button (1 OK, 2 Cancel).
    void AnswerOptions(const QString& set, QString* shown, const char* button = "1") {
        WhenModalUp([=](QWidget* widget) {
            auto* dialog = qobject_cast<COptionsDlg*>(widget);
            if (!dialog)
                return false;
            *shown = Boxes(dialog);
            for (int i = 0; i < 3; ++i)
                dialog->CheckBox(kBoxes[i])->setChecked(set[i] == u'1');
            dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            return true;
        });
    }
    int Stored(int (CSettingsStore::*read)(int*) const) {
        int value = -1;
        return (controller_->Settings().*read)(&value) ? value : -1;
    }
};

TEST_F(OptionsTest, TheDialogOpensWithTheStoredChoicesAndOkAppliesThem) {
    QString shown;
    AnswerOptions(QStringLiteral("011"), &shown);
    controller_->ApplyOptions();
    EXPECT_EQ(shown, QStringLiteral("100"));  // as the start-up left them
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(Stored(&CSettingsStore::ReadAlwaysOnTop), 0);
    EXPECT_FALSE(window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 1);

    // Cancel changes nothing.
    AnswerOptions(QStringLiteral("100"), &shown, "2");
    controller_->ApplyOptions();
    EXPECT_EQ(shown, QStringLiteral("011"));
    EXPECT_FALSE(factory_.tray->shown);
    EXPECT_EQ(Stored(&CSettingsStore::ReadTrayIcon), 1);
    EXPECT_EQ(controller_->Settings().IsRunAtStartup(), 1);
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST(AboutTest, TheDialogNamesTheProductShowsTheLogoAndLinksTheSupportPage) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts.append(label->text());
    EXPECT_TRUE(texts.contains(QStringLiteral("Velotune 2.1"))) << texts.join(u'|').toStdString();
    EXPECT_EQ(about.SupportLink()->LinkUrl().toString(), SupportPageUrl());
    EXPECT_EQ(about.findChild<QWidget*>(QStringLiteral("1022"))->size(), QSize(240, 64));
}

}  // namespace
}  // namespace velotune::test
