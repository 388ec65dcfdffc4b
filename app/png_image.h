// PNG pictures decoded with libpng into plain pixels (the About window's logo and link picture).
#pragma once

#include <QByteArray>
#include <optional>

namespace zandrel {

struct PngPicture {
  int width = 0;
  int height = 0;
  QByteArray rgba;  // width * height * 4 bytes, rows top to bottom, not premultiplied
};

// Largest width or height accepted: the pictures are small, so a larger one is not ours.
inline constexpr int kMaxPngSide = 4096;

// The picture in the bytes, or nothing for data that is not a complete PNG within the limit.
std::optional<PngPicture> DecodePng(const QByteArray& bytes);

}  // namespace zandrel
