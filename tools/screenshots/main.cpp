// velotune-shots: pictures of the real main window for the documentation.
//
//   velotune-shots <station-database> <output-dir>
//
// Runs the main window on the real controller with a copy of the station database and private
// settings, selects a preset station and shows the player as it looks while tuned to it, then
// writes <output-dir>/main_view.png and <output-dir>/minibar.png. Each picture is the window's
// shape only (transparent outside it). Meant to run on a display of its own (tools/screenshots/
// take starts it under Xvfb); nothing is played and nothing leaves the machine.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "platform/msgbox/msgbox.h"
#include "playback/command_centre.h"
#include "res/texts.h"
#include "skin/controls/scrollingtext.h"
#include "skin/main_window.h"

namespace velotune {
namespace {

// The playlist row whose station the pictures show as tuned in.
constexpr int kShownRow = 2;

void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// The columns of the display line's last frame that show text: [first, last], or first > last
// when nothing is lit.
std::pair<int, int> LitColumns(const QImage& frame) {
    int first = frame.width();
    int last = -1;
    for (int x = 0; x < frame.width(); ++x)
        for (int y = 0; y < frame.height(); ++y) {
            if (qGray(frame.pixel(x, y)) > 60) {
                first = std::min(first, x);
                last = std::max(last, x);
                break;
            }
        }
    return {first, last};
}

// Steps the marquee by hand (no events run meanwhile, so its timer does not move it) until the
// text's start has reached the left edge, or, for a text that fits, until it sits in the middle
// of the line.
void PoseMarquee(CScrollingText* display, int visibleChars) {
    display->SetText(display->Text());  // from the first character again
    display->StartScrolling();
    const int width = display->width();
    for (int i = 0; i < 4 * width; ++i) {
        display->Tick();
        const auto [first, last] = LitColumns(display->Frame());
        if (first > last)
            continue;
        if (first <= 6)
            break;
        if (display->NextCharIndex() > visibleChars && first <= width - 1 - last)
            break;
    }
    display->update();
}

QImage Picture(CTorvikMainDlg& window) {
    const qreal ratio = window.devicePixelRatioF();
    QImage image(window.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    window.render(&image, QPoint(), window.SkinRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

bool Save(const QImage& image, const QString& path) {
    QImageWriter writer(path, "png");
    writer.setQuality(0);  // PNG: the strongest compression
    if (!writer.write(image)) {
        std::fprintf(stderr, "velotune-shots: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    std::printf("velotune-shots: wrote %s (%dx%d)\n", qPrintable(path), image.width(),
                image.height());
    return true;
}

int Run(const QString& database, const QString& outputDir) {
    QTemporaryDir scratch;
    const QString dataDir = scratch.filePath(QStringLiteral("data"));
    if (!scratch.isValid() || !QDir().mkpath(dataDir) ||
        !QFile::copy(database,
                     dataDir + QLatin1Char('/') + QString::fromUtf8(text::kDatabaseFile))) {
        std::fprintf(stderr, "velotune-shots: cannot copy %s\n", qPrintable(database));
        return 1;
    }

    CommandCentreSetup setup;
    setup.dataDirectory = dataDir;
    CTorvikCommandCentre controller(setup);
    controller.Settings().WriteCurrentPlaylistID(kShownRow);
    controller.Settings().WriteVolume(35);

    auto* window = new CTorvikMainDlg(controller);
    if (window->Initialise() != CTorvikMainDlg::InitResult::kReady) {
        std::fprintf(stderr, "velotune-shots: the main window did not start\n");
        delete window;
        return 1;
    }
    window->MoveWindow(QPoint(100, 100));

    // The player tuned to the shown station, as the controller leaves it.
    const QString station = controller.StationNameAt(kShownRow);
    const QString tuned = QString::fromUtf8(text::kYouAreTunedTo) + station;
    window->UpdatePresets(1);
    for (int id : {kIdPlay, kIdMiniPlay, kIdRecord})
        window->EnableControl(id, false);
    for (int id : {kIdStop, kIdMiniStop, kIdCenter})
        window->EnableControl(id, true);

    bool ok = QDir().mkpath(outputDir);
    for (const bool mini : {false, true}) {
        if (mini)
            window->SwitchToMinibar();
        window->SetDisplayText(tuned + QString::fromUtf8(text::kDisplayPad));
        Settle(300);
        PoseMarquee(window->DisplayLine(), static_cast<int>(tuned.size()));
        ok = Save(Picture(*window), outputDir + (mini ? QStringLiteral("/minibar.png")
                                                      : QStringLiteral("/main_view.png"))) &&
             ok;
    }
    delete window;
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace velotune

int main(int argc, char** argv) {
    // Settings and data of this run only, never the user's.
    QTemporaryDir home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QFile::encodeName(home.filePath(QString::fromLatin1(name))));
    qputenv("VELOTUNE_ALSA_DEVICE", "null");

    QApplication app(argc, argv);
    velotune::platform::UseMessageBoxDialogs();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: velotune-shots <station-database> <output-dir>\n");
        return 2;
    }
    return velotune::Run(args.at(1), args.at(2));
}
