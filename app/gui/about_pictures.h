// The About window's two pictures, compiled in as PNG data.
#pragma once

#include <QByteArray>
#include <QImage>

namespace zandrel {

QByteArray LogoPngBytes();
QByteArray LinkPngBytes();
// Decoded pictures; a null image if the data cannot be decoded.
QImage LogoImage();
QImage LinkImage();
// A decoded PNG as an image; a null image for bytes that are no PNG.
QImage ImageFromPng(const QByteArray& bytes);

}  // namespace zandrel
