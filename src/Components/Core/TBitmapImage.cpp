#include "TBitmapImage.h"


TBitmapImage::TBitmapImage(int width, int height, quint32 fill)
    : FWidth(std::max(0, width)), FHeight(std::max(0, height)),
      FPixels(size_t(FWidth) * size_t(FHeight), fill) {}

quint32 TBitmapImage::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    return FPixels[size_t(y) * FWidth + x];
}

void TBitmapImage::SetPixel(int x, int y, quint32 argb) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
    FPixels[size_t(y) * FWidth + x] = argb;
}

namespace {
quint32 Blend(quint32 dst, quint32 src) {
    const quint32 alpha = src >> 24;
    if (alpha == 255) return src;
    if (alpha == 0) return dst;
    auto channel = [&](int shift) {
        const quint32 s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        return ((s * alpha + d * (255 - alpha)) / 255) << shift;
    };
    const quint32 outAlpha = std::max(alpha, dst >> 24);
    return (outAlpha << 24) | channel(16) | channel(8) | channel(0);
}

void PutLe16(QByteArray& out, int offset, quint16 v) {
    out[offset] = char(v & 0xFF);
    out[offset + 1] = char(v >> 8);
}
void PutLe32(QByteArray& out, int offset, quint32 v) {
    for (int i = 0; i < 4; ++i) out[offset + i] = char((v >> (8 * i)) & 0xFF);
}
quint32 LeBytes(const QByteArray& in, int offset, int count) {
    quint32 v = 0;
    for (int i = count - 1; i >= 0; --i) v = (v << 8) | uchar(in.at(offset + i));
    return v;
}
quint16 Le16(const QByteArray& in, int offset) { return quint16(LeBytes(in, offset, 2)); }
quint32 Le32(const QByteArray& in, int offset) { return LeBytes(in, offset, 4); }

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
} // namespace

void TBitmapImage::Draw(const TBitmapImage& src, int x, int y) {
    for (int sy = 0; sy < src.Height(); ++sy) {
        for (int sx = 0; sx < src.Width(); ++sx) {
            const int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= FWidth || dy >= FHeight) continue;
            quint32& d = FPixels[size_t(dy) * FWidth + dx];
            d = Blend(d, src.Pixel(sx, sy));
        }
    }
}

QByteArray TBitmapImage::ToBmp() const {
    const int rowSize = (FWidth * 3 + 3) & ~3;
    const int dataSize = rowSize * FHeight;
    QByteArray out(FileHeaderSize + InfoHeaderSize + dataSize, '\0');
    out[0] = 'B';
    out[1] = 'M';
    PutLe32(out, 2, quint32(out.size()));
    PutLe32(out, 10, FileHeaderSize + InfoHeaderSize);
    PutLe32(out, 14, InfoHeaderSize);
    PutLe32(out, 18, quint32(FWidth));
    PutLe32(out, 22, quint32(FHeight));
    PutLe16(out, 26, 1);  // planes
    PutLe16(out, 28, 24); // bits per pixel
    PutLe32(out, 34, quint32(dataSize));
    PutLe32(out, 38, 2835); // 72 dpi
    PutLe32(out, 42, 2835);
    for (int y = 0; y < FHeight; ++y) {
        char* row = out.data() + FileHeaderSize + InfoHeaderSize + (FHeight - 1 - y) * rowSize;
        for (int x = 0; x < FWidth; ++x) {
            const quint32 p = FPixels[size_t(y) * FWidth + x];
            row[x * 3 + 0] = char(p & 0xFF);
            row[x * 3 + 1] = char((p >> 8) & 0xFF);
            row[x * 3 + 2] = char((p >> 16) & 0xFF);
        }
    }
    return out;
}

TBitmapImage TBitmapImage::FromBmp(const QByteArray& bytes) {
    if (bytes.size() < FileHeaderSize + InfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
        return {};
    const quint32 offset = Le32(bytes, 10);
    const qint32 width = qint32(Le32(bytes, 18));
    const qint32 rawHeight = qint32(Le32(bytes, 22));
    const int bits = Le16(bytes, 28);
    const quint32 compression = Le32(bytes, 30);
    if (width <= 0 || rawHeight == 0 || width > 4096 || std::abs(rawHeight) > 4096) return {};
    if ((bits != 24 && bits != 32) || compression != 0) return {};
    const int height = std::abs(rawHeight);
    const int bytesPerPixel = bits / 8;
    const qint64 rowSize = (qint64(width) * bytesPerPixel + 3) & ~3;
    if (qint64(offset) + rowSize * height > bytes.size()) return {};
    TBitmapImage image(width, height);
    for (int y = 0; y < height; ++y) {
        const int fileRow = rawHeight > 0 ? height - 1 - y : y;
        const uchar* row =
            reinterpret_cast<const uchar*>(bytes.constData()) + offset + fileRow * rowSize;
        for (int x = 0; x < width; ++x) {
            const uchar* p = row + x * bytesPerPixel;
            image.SetPixel(x, y, 0xFF000000u | (quint32(p[2]) << 16) | (quint32(p[1]) << 8) | p[0]);
        }
    }
    return image;
}
