#include "skin/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "report/maker_site.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "skin/controls/hyperlink.h"
#include "skin/controls/skinbitmap.h"

namespace velotune {
namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// The logo drawn through its shape, so the dialog shows through where the image is green.
class LogoView : public QWidget {
public:
    explicit LogoView(QWidget* parent) : QWidget(parent) {
        setObjectName(QString::number(kIdAboutLogo));
        if (bitmap_.LoadBitmap(res::kBmpAboutLogo))
            shape_ = BitmapToRegion(bitmap_.Image(), QColor::fromRgb(res::kKeyLogo));
        setFixedSize(bitmap_.IsLoaded() ? bitmap_.Size() : QSize(0, 0));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setClipRegion(shape_);
        bitmap_.Draw(painter, QPoint(0, 0));
    }

private:
    CSkinBitmap bitmap_;
    QRegion shape_;
};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("100"));
    setWindowTitle(Text(text::kAboutTitle));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(new LogoView(this), 0, Qt::AlignHCenter);

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);  // the product line; the lines below it are plain
    for (const char* line :
         {text::kAboutProductLine, text::kAboutDecoding, text::kAboutSound, text::kAboutToolkit}) {
        auto* label = new QLabel(Text(line), this);
        label->setFont(font);
        label->setAutoFillBackground(false);  // the dialog shows through
        layout->addWidget(label, 0, Qt::AlignHCenter);
        font.setBold(false);
    }

    link_ = new CHyperLink(this);
    link_->SetLink(CHyperLink::kWeb, SupportPageUrl());
    link_->SetLinkFont(8);
    link_->setText(Text(text::kAboutSupportLink));
    link_->setToolTip(SupportPageUrl());
    layout->addWidget(link_, 0, Qt::AlignHCenter);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Text(text::kButtonOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace velotune
