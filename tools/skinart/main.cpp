// skinart: paints Velotune's skin images and icons.
//
//   skinart <res-dir>                  writes every image of res/resource_ids.h under <res-dir>
//   skinart --preview <dir>            writes previews of the windows and button states
//
// The images are painted with QPainter from the code in skin.cpp, so the look is changed there
// and regenerated, never edited by hand.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <cstdio>

#include "res/resource_ids.h"
#include "tools/skinart/skin.h"

namespace {

bool Save(const QImage& image, const QString& path) {
    if (image.isNull()) {
        std::fprintf(stderr, "skinart: nothing painted for %s\n", qPrintable(path));
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImageWriter writer(path, "png");
    writer.setQuality(0);  // PNG: the strongest compression
    if (!writer.write(image)) {
        std::fprintf(stderr, "skinart: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

int WriteAll(const QString& resDir) {
    using namespace velotune::res;
    int written = 0;
    bool ok = true;
    for (int id : BitmapIds()) {
        ok = Save(skinart::PaintBitmap(id), resDir + QLatin1Char('/') + ResourceFile(id)) && ok;
        ++written;
    }
    for (int id : IconIds())
        for (int size : IconSizes(id)) {
            ok = Save(skinart::PaintIcon(id, size),
                      resDir + QLatin1Char('/') + IconFile(id, size)) &&
                 ok;
            ++written;
        }
    std::printf("skinart: %d images written under %s\n", written, qPrintable(resDir));
    return ok ? 0 : 1;
}

int WritePreviews(const QString& dir) {
    bool ok = Save(skinart::PreviewMainView(), dir + QStringLiteral("/main_view.png"));
    ok = Save(skinart::PreviewMinibar(), dir + QStringLiteral("/minibar.png")) && ok;
    ok = Save(skinart::PreviewListWindow(), dir + QStringLiteral("/list_window.png")) && ok;
    ok = Save(skinart::PreviewButtonStates(), dir + QStringLiteral("/button_states.png")) && ok;
    // The small icons on a dark and a light panel, four times their size.
    {
        QImage strip(260, 80, QImage::Format_RGB32);
        strip.fill(QColor(0x20, 0x22, 0x27));
        QPainter p(&strip);
        p.fillRect(QRect(0, 40, 260, 40), QColor(0xe8, 0xea, 0xee));
        int x = 4;
        for (int size : {16, 22, 24, 32}) {
            for (int row = 0; row < 2; ++row) {
                p.drawImage(QPoint(x, 4 + row * 40),
                            skinart::PaintIcon(velotune::res::kIconApp, size));
                p.drawImage(QPoint(x + size + 4, 4 + row * 40),
                            skinart::PaintIcon(velotune::res::kIconTray, size));
            }
            x += 2 * size + 14;
        }
        p.end();
        ok = Save(strip.scaled(strip.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation),
                  dir + QStringLiteral("/icons.png")) &&
             ok;
    }
    // Close-ups of the main view (the preview is three times the real size).
    const QImage main = skinart::PreviewMainView();
    const auto closeUp = [&main](QRect r) {
        return main.copy(QRect(r.topLeft() * 3, r.size() * 3))
            .scaled(r.size() * 9, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    };
    ok = Save(closeUp(QRect(12, 12, 70, 104)), dir + QStringLiteral("/main_left.png")) && ok;
    ok = Save(closeUp(QRect(240, 12, 72, 104)), dir + QStringLiteral("/main_right.png")) && ok;
    ok = Save(closeUp(QRect(50, 80, 130, 36)), dir + QStringLiteral("/main_deck.png")) && ok;
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Painting needs fonts but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--preview"))
        return WritePreviews(args[2]);
    if (args.size() == 2 && !args[1].startsWith(QLatin1Char('-')))
        return WriteAll(args[1]);
    std::fprintf(stderr, "usage: skinart <res-dir> | skinart --preview <dir>\n");
    return 2;
}
