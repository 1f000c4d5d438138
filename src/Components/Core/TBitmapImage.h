#pragma once
// A small 32-bit picture (0xAARRGGBB pixels) that needs no windowing system: image lists of
// non-visual modules are built from these, and a picture can be written as a Windows bitmap
// stream (24-bit BMP) and read back.

#include <QByteArray>
#include <QtGlobal>
#include <vector>

class TBitmapImage {
public:
    TBitmapImage() = default;
    TBitmapImage(int width, int height, quint32 fill = 0);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
    quint32 Pixel(int x, int y) const;
    void SetPixel(int x, int y, quint32 argb); // outside the picture: nothing
    const std::vector<quint32>& Pixels() const { return FPixels; }

    // Draws src with its top left corner at (x, y), blending by src's alpha.
    void Draw(const TBitmapImage& src, int x, int y);

    // A bottom-up 24-bit BMP file image; alpha is dropped.
    QByteArray ToBmp() const;
    // Reads a 24- or 32-bit uncompressed BMP; an empty picture when the bytes are no such BMP.
    static TBitmapImage FromBmp(const QByteArray& bytes);

    bool operator==(const TBitmapImage&) const = default;

private:
    int FWidth = 0;
    int FHeight = 0;
    std::vector<quint32> FPixels;
};

using TImageList = std::vector<TBitmapImage>;
