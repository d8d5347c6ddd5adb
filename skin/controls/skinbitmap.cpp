#include "skin/controls/skinbitmap.h"

#include <QPainter>
#include <algorithm>
#include <utility>
#include <vector>

#include "res/resource_ids.h"
#include "skin/controls/skinlog.h"

namespace velotune {

bool CSkinBitmap::LoadBitmap(int id) {
    const QString path = res::ResourcePath(id);
    if (path.isEmpty()) {
        qCWarning(lcSkin) << "no skin image with id" << id;
        image_ = QImage();
        return false;
    }
    return LoadBitmap(path);
}

bool CSkinBitmap::LoadBitmap(const QString& path) {
    image_ = QImage(path);
    if (image_.isNull())
        qCWarning(lcSkin) << "cannot load skin image" << path;
    return IsLoaded();
}

void CSkinBitmap::SetImage(const QImage& image) {
    image_ = image;
}

QList<QRgb> CSkinBitmap::Palette() const {
    return image_.depth() <= 8 ? image_.colorTable() : QList<QRgb>();
}

void CSkinBitmap::Draw(QPainter& painter, QPoint at) const {
    if (IsLoaded())
        painter.drawImage(at, image_);
}

namespace {

// Regions are built from one-pixel-high runs; uniting them in batches keeps the cost of the
// union low on large skins.
constexpr size_t kRectsPerBatch = 2000;

void Flush(std::vector<QRect>& rects, QRegion& result) {
    if (rects.empty())
        return;
    // The runs are sorted top to bottom and left to right and never overlap, which is the form
    // a region stores, so they can be handed over directly.
    QRegion batch;
    batch.setRects(rects.data(), static_cast<int>(rects.size()));
    result = result.united(batch);
    rects.clear();
}

}  // namespace

QRegion BitmapToRegion(const QImage& image, QColor transparent, int tolerance) {
    QRegion result;
    if (image.isNull())
        return result;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    const auto range = [tolerance](int key, int& low, int& high) {
        low = std::clamp(key - tolerance, 0, 255);
        high = std::clamp(key + tolerance, 0, 255);
    };
    int rLow, rHigh, gLow, gHigh, bLow, bHigh;
    range(transparent.red(), rLow, rHigh);
    range(transparent.green(), gLow, gHigh);
    range(transparent.blue(), bLow, bHigh);
    const auto outside = [&](QRgb px) {
        if (qAlpha(px) < 128)
            return true;
        const int r = qRed(px), g = qGreen(px), b = qBlue(px);
        return r >= rLow && r <= rHigh && g >= gLow && g <= gHigh && b >= bLow && b <= bHigh;
    };

    // Runs are gathered as one-pixel-high rectangles. A row whose runs are the same as the
    // row above's makes those rectangles one pixel taller instead, which is the form a region
    // keeps internally; without it equal shapes would not compare equal.
    std::vector<QRect> rects;
    rects.reserve(100);
    std::vector<std::pair<int, int>> runs, previousRuns;  // [start, end) of each run in a row
    size_t previousFirst = 0;  // index in rects of the row above's first run
    const int width = pixels.width();
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        runs.clear();
        int x = 0;
        while (x < width) {
            while (x < width && outside(row[x]))
                ++x;
            const int start = x;
            while (x < width && !outside(row[x]))
                ++x;
            if (x > start)
                runs.emplace_back(start, x);
        }
        if (!runs.empty() && runs == previousRuns && previousFirst + runs.size() == rects.size()) {
            for (size_t i = previousFirst; i < rects.size(); ++i)
                rects[i].setBottom(y);
            continue;
        }
        if (rects.size() + runs.size() > kRectsPerBatch)
            Flush(rects, result);
        previousFirst = rects.size();
        for (const auto& [start, end] : runs)
            rects.emplace_back(start, y, end - start, 1);
        previousRuns = runs;
    }
    Flush(rects, result);
    return result;
}

}  // namespace velotune
