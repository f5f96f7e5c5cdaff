#include <QApplication>
#include <QIcon>

#include "app/ProgramIcon.h"
#include "tests/app/AppFixture.h"

namespace {

QImage Argb(const QImage& image) {
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(ProgramIcon, WindowPictureIsTheThirtyTwoPixelImage) {
  const QImage picture = ProgramIconImage();
  EXPECT_EQ(picture.size(), QSize(32, 32));
  EXPECT_EQ(Argb(ProgramIcon().toImage()), Argb(picture));
  EXPECT_EQ(ProgramIconImage(32), picture);
}

TEST(ProgramIcon, EveryThemeSizeHasItsOwnImage) {
  for (const int size : kProgramIconSizes) {
    EXPECT_EQ(ProgramIconImage(size).size(), QSize(size, size)) << size;
  }
}

TEST(ProgramIcon, WholeMultiplesEnlargeEveryPixelToASquareBlock) {
  const QImage picture = ProgramIconImage();
  for (const int size : {64, 128, 256}) {
    const QImage large = ProgramIconImage(size);
    const int factor = size / 32;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        ASSERT_EQ(large.pixel(x, y), picture.pixel(x / factor, y / factor))
            << size << " at " << x << "," << y;
      }
    }
  }
}

TEST(ProgramIcon, SmallerSizesKeepUniformBlocksUnchanged) {
  // At 16 pixels each output pixel stands for a 2 x 2 block of the picture;
  // where the block has one colour, the pixel has exactly that colour.
  const QImage picture = ProgramIconImage();
  const QImage small = ProgramIconImage(16);
  int uniform = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const QRgb corner = picture.pixel(2 * x, 2 * y);
      if (picture.pixel(2 * x + 1, 2 * y) == corner && picture.pixel(2 * x, 2 * y + 1) == corner &&
          picture.pixel(2 * x + 1, 2 * y + 1) == corner) {
        ++uniform;
        EXPECT_EQ(small.pixel(x, y), corner) << x << "," << y;
      }
    }
  }
  EXPECT_GT(uniform, 128);
}

TEST(ProgramIcon, SmallerSizesAverageMixedBlocks) {
  // The top bus line of the picture runs along row 3 from column 8 to 30: at
  // 16 pixels, row 1 mixes it half and half with the transparent row 2.
  const QImage small = ProgramIconImage(16);
  const QColor mixed = small.pixelColor(10, 1);
  EXPECT_NEAR(mixed.alpha(), 128, 1);
  EXPECT_EQ(mixed.red(), 255);
  EXPECT_EQ(mixed.green(), 255);
  EXPECT_EQ(mixed.blue(), 0);
}

class ProgramIconWindowsTest : public AppFixture {};

TEST_F(ProgramIconWindowsTest, EveryWindowCarriesTheIconAtEveryThemeSize) {
  StartProgram();
  const QList<QSize> sizes = form().windowIcon().availableSizes();
  for (const int size : kProgramIconSizes) {
    EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
  }
  EXPECT_EQ(Argb(windows->AboutBox().windowIcon().pixmap(32, 32).toImage()),
            Argb(ProgramIconImage()));
}

}  // namespace
