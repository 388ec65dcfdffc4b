#include "app/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QFile>
#include <QSize>

namespace zandrel {
namespace {

QByteArray SourcePicture(const char* name) {
  QFile file(QStringLiteral(ZANDREL_SOURCE_DIR "/app/gui/pictures/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

// The same PNG claiming another width, with the header's checksum made to match.
QByteArray WithWidth(QByteArray png, uint32_t width) {
  for (int i = 0; i < 4; ++i) png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  return png;
}

TEST(PngImageTest, DecodesTheShippedPictures) {
  const auto logo = DecodePng(SourcePicture("logo.png"));
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->width, 128);
  EXPECT_EQ(logo->height, 128);
  ASSERT_EQ(logo->rgba.size(), 128 * 128 * 4);
  EXPECT_EQ(logo->rgba[3], 0);                                  // a transparent corner
  EXPECT_EQ(static_cast<uint8_t>(logo->rgba[(64 * 128 + 64) * 4 + 3]), 255);  // an opaque middle
  const auto link = DecodePng(SourcePicture("link.png"));
  ASSERT_TRUE(link);
  EXPECT_EQ(QSize(link->width, link->height), QSize(147, 47));
}

TEST(PngImageTest, RefusesDataThatIsNotACompletePicture) {
  const QByteArray logo = SourcePicture("logo.png");
  const QByteArray bad[] = {
      {},
      QByteArray("not a png at all"),
      logo.left(8),
      logo.left(40),
      logo.left(logo.size() / 2),
      logo.left(logo.size() - 13),  // without the end chunk and part of the data
      WithWidth(logo, 0),
      WithWidth(logo, kMaxPngSide + 1),
      WithWidth(logo, 0x7fffffff),
  };
  for (const QByteArray& bytes : bad) EXPECT_FALSE(DecodePng(bytes)) << bytes.size() << " bytes";
}

}  // namespace
}  // namespace zandrel
