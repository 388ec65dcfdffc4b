#include "app/gui/about_pictures.h"

#include "app/gui/about_picture_data.h"
#include "app/png_image.h"

namespace zandrel {

QByteArray LogoPngBytes() {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(kLogoPng), sizeof(kLogoPng));
}

QByteArray LinkPngBytes() {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(kLinkPng), sizeof(kLinkPng));
}

QImage ImageFromPng(const QByteArray& bytes) {
  const auto picture = DecodePng(bytes);
  if (!picture) return {};
  const QImage view(reinterpret_cast<const uchar*>(picture->rgba.constData()), picture->width,
                    picture->height, picture->width * 4, QImage::Format_RGBA8888);
  return view.copy();  // the view does not own the pixels
}

QImage LogoImage() { return ImageFromPng(LogoPngBytes()); }
QImage LinkImage() { return ImageFromPng(LinkPngBytes()); }

}  // namespace zandrel
