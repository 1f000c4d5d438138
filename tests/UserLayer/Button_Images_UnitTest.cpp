#include "UserLayer/Button_Images_Unit.h"

#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {
// True when the picture has at least a few pixels that are neither transparent nor all one colour.
bool HasDrawing(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    QRgb first = 0;
    bool varied = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 128) continue;
            if (opaque++ == 0)
                first = pixel;
            else if (pixel != first)
                varied = true;
        }
    }
    return opaque >= image.width() && varied;
}
} // namespace

TEST(ButtonImages, ListHoldsFiftyTwoPictures) {
    EXPECT_EQ(ButtonImageCount(), 52);
}

TEST(ButtonImages, EveryIndexHasA16And32PixelDrawing) {
    for (int index = 0; index < ButtonImageCount(); ++index) {
        SCOPED_TRACE(index);
        const QIcon icon = ButtonImage(index);
        ASSERT_FALSE(icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(16, 16)));
        EXPECT_TRUE(sizes.contains(QSize(32, 32)));
        for (int size : {16, 32}) {
            const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
            EXPECT_EQ(pixmap.size(), QSize(size, size));
            EXPECT_TRUE(HasDrawing(pixmap)) << size << " px";
        }
    }
}

// The pictures are decoded when first shown; a disabled action's picture is the greyed one.
TEST(ButtonImages, ADisabledActionShowsItsPictureGreyed) {
    const QIcon icon = ButtonImage(38);
    const QImage normal = icon.pixmap(QSize(16, 16), 1.0).toImage();
    const QPixmap disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled);
    EXPECT_EQ(disabled.size(), QSize(16, 16));
    EXPECT_TRUE(HasDrawing(disabled));
    EXPECT_NE(disabled.toImage().convertToFormat(normal.format()), normal);
}

TEST(ButtonImages, PicturesDifferFromOneAnother) {
    QList<QImage> seen;
    for (int index = 0; index < ButtonImageCount(); ++index) {
        const QImage image = ButtonImage(index).pixmap(QSize(16, 16), 1.0).toImage();
        for (int other = 0; other < seen.size(); ++other)
            EXPECT_NE(image, seen[other]) << index << " looks like " << other;
        seen << image;
    }
}

TEST(ButtonImages, OutOfRangeGivesANullIcon) {
    EXPECT_TRUE(ButtonImage(-1).isNull());
    EXPECT_TRUE(ButtonImage(52).isNull());
    EXPECT_TRUE(ButtonImageName(-1).isEmpty());
    EXPECT_TRUE(ButtonImageName(52).isEmpty());
}

TEST(ButtonImages, NamesOfTheIndexesThatCarryAMeaning) {
    EXPECT_EQ(ButtonImageName(0), QStringLiteral("Submit"));
    EXPECT_EQ(ButtonImageName(2), QStringLiteral("Step"));
    EXPECT_EQ(ButtonImageName(10), QStringLiteral("Preview"));
    EXPECT_EQ(ButtonImageName(25), QStringLiteral("Help"));
    EXPECT_EQ(ButtonImageName(33), QStringLiteral("First"));
    EXPECT_EQ(ButtonImageName(34), QStringLiteral("Last"));
    EXPECT_EQ(ButtonImageName(35), QStringLiteral("Next"));
    EXPECT_EQ(ButtonImageName(36), QStringLiteral("Prior"));
    EXPECT_EQ(ButtonImageName(37), QStringLiteral("Start"));
    EXPECT_EQ(ButtonImageName(38), QStringLiteral("Pause"));
    EXPECT_EQ(ButtonImageName(40), QStringLiteral("Add Task"));
    EXPECT_EQ(ButtonImageName(41), QStringLiteral("Remove Task"));
    EXPECT_EQ(ButtonImageName(47), QStringLiteral("Copy"));
    EXPECT_EQ(ButtonImageName(50), QStringLiteral("Online Help"));
    EXPECT_EQ(ButtonImageName(51), QStringLiteral("Exit"));
    for (int index = 0; index < ButtonImageCount(); ++index)
        EXPECT_FALSE(ButtonImageName(index).isEmpty()) << index;
}
