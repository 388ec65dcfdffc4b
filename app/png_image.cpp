#include "app/png_image.h"

#include <png.h>

namespace zandrel {

std::optional<PngPicture> DecodePng(const QByteArray& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.constData(), static_cast<size_t>(bytes.size()))) {
    return std::nullopt;
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxPngSide || image.height > kMaxPngSide) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;
  PngPicture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgba.resize(static_cast<qsizetype>(PNG_IMAGE_SIZE(image)));
  // finish_read frees the image's resources whether it succeeds or not.
  if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) return std::nullopt;
  return picture;
}

}  // namespace zandrel
