// skin/controls/skinbitmap.h
//
// CSkinBitmap holds one skin image, loaded from the program's compiled-in images by id (see
// res/resource_ids.h) or from an image file. BitmapToRegion turns an image and its key colour
// into the shape that windows and buttons take.
//
// Threading: user-interface thread (images are loaded and painted with QPainter).
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRegion>
#include <QString>

class QPainter;

namespace velotune {

// Every skin shape is cut with this tolerance per channel around the key colour.
inline constexpr int kSkinTolerance = 8;

class CSkinBitmap {
public:
    CSkinBitmap() = default;

    // Loads bitmap `id` of the compiled-in skin. Returns true when loaded; on failure the bitmap
    // is left empty (not loaded).
    bool LoadBitmap(int id);

    // Loads an image file (PNG, BMP or any format Qt reads). Returns true when loaded.
    bool LoadBitmap(const QString& path);

    // Uses an image already in memory; a null image leaves the bitmap not loaded.
    void SetImage(const QImage& image);

    bool IsLoaded() const { return !image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    QSize Size() const { return image_.size(); }
    const QImage& Image() const { return image_; }

    // The colour table of an indexed image (as many entries as it uses, or 2 to the power of
    // its depth); empty for images of 16 bits per pixel and more. Painting is always in true
    // colour, so this is information about the file, not something drawing depends on.
    QList<QRgb> Palette() const;

    // Draws the whole bitmap in its own size with its top-left corner at `at`. Does nothing
    // when not loaded.
    void Draw(QPainter& painter, QPoint at) const;

private:
    QImage image_;
};

// The shape of `image` cut by the key colour `transparent`: a pixel whose red, green and blue
// each lie within `tolerance` of the key's (the range clamped to 0..255) is outside, every other
// pixel inside. A pixel that is less than half opaque is outside too, so that image files with
// an alpha channel work without a key colour. The region is in image coordinates. An empty
// (null) image gives an empty region.
QRegion BitmapToRegion(const QImage& image, QColor transparent, int tolerance = kSkinTolerance);

}  // namespace velotune
