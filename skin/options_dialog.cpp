#include "skin/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "res/texts.h"

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

QCheckBox* MakeCheckBox(int id, const char* text, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(Text(text), parent);
    box->setObjectName(QString::number(id));
    box->setChecked(checked);
    return box;
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("104"));
    setWindowTitle(Text(text::kOptionsTitle));

    // A value that cannot be read keeps its default.
    int trayIconDisabled = CSettingsStore::kDefaultTrayIcon;
    settings_.ReadTrayIcon(&trayIconDisabled);
    int alwaysOnTop = CSettingsStore::kDefaultAlwaysOnTopInOptions;
    settings_.ReadAlwaysOnTop(&alwaysOnTop);
    const bool startWithSession = settings_.IsRunAtStartup() != 0;
    int reconnect = CSettingsStore::kDefaultReconnect;
    settings_.ReadReconnect(&reconnect);
    int showSongTitles = CSettingsStore::kDefaultShowSongTitles;
    settings_.ReadShowSongTitles(&showSongTitles);

    auto* program = new QGroupBox(Text(text::kOptionsProgramGroup), this);
    auto* programLayout = new QVBoxLayout(program);
    alwaysOnTop_ =
        MakeCheckBox(kIdOptionAlwaysOnTop, text::kOptionAlwaysOnTop, alwaysOnTop != 0, program);
    trayIconDisabled_ = MakeCheckBox(kIdOptionDisableTrayIcon, text::kOptionDisableTrayIcon,
                                     trayIconDisabled != 0, program);
    reconnect_ = MakeCheckBox(kIdOptionReconnect, text::kOptionReconnect, reconnect != 0, program);
    showSongTitles_ = MakeCheckBox(kIdOptionShowSongTitles, text::kOptionShowSongTitles,
                                   showSongTitles == 1, program);
    programLayout->addWidget(alwaysOnTop_);
    programLayout->addWidget(trayIconDisabled_);
    programLayout->addWidget(reconnect_);
    programLayout->addWidget(showSongTitles_);

    auto* session = new QGroupBox(Text(text::kOptionsWindowsGroup), this);
    auto* sessionLayout = new QVBoxLayout(session);
    startWithSession_ = MakeCheckBox(kIdOptionStartWithSession, text::kOptionStartWithSession,
                                     startWithSession, session);
    sessionLayout->addWidget(startWithSession_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Text(text::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(Text(text::kButtonCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(program);
    layout->addWidget(session);
    layout->addWidget(buttons);
}

COptionsDlg::~COptionsDlg() = default;

QCheckBox* COptionsDlg::CheckBox(int id) const {
    switch (id) {
        case kIdOptionAlwaysOnTop:
            return alwaysOnTop_;
        case kIdOptionStartWithSession:
            return startWithSession_;
        case kIdOptionDisableTrayIcon:
            return trayIconDisabled_;
        case kIdOptionReconnect:
            return reconnect_;
        case kIdOptionShowSongTitles:
            return showSongTitles_;
        default:
            return nullptr;
    }
}

OptionsChoices COptionsDlg::Choices() const {
    OptionsChoices choices;
    choices.trayIconDisabled = trayIconDisabled_->isChecked();
    choices.alwaysOnTop = alwaysOnTop_->isChecked();
    choices.startWithSession = startWithSession_->isChecked();
    choices.storedOwnChoices = storedOwnChoices_;
    return choices;
}

void COptionsDlg::accept() {
    storedOwnChoices_ = settings_.WriteTrayIcon(trayIconDisabled_->isChecked() ? 1 : 0) != 0 &&
                        settings_.WriteReconnect(reconnect_->isChecked() ? 1 : 0) != 0;
    if (!settings_.WriteShowSongTitles(showSongTitles_->isChecked() ? 1 : 0))
        storedOwnChoices_ = false;
    QDialog::accept();
}

}  // namespace velotune
