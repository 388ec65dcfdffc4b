// Paths that come from Qt's requesters, URLs and text fields, made exact again. Qt decodes file
// names as UTF-8 and turns each byte that is not part of a character into U+FFFD, so a chosen
// file whose name is not UTF-8 would be "not found".
#pragma once

#include <QString>
#include <QUrl>

namespace zandrel {

// The path on disk that reads as `path`: each name that does not exist as spelled is looked up
// among its folder's names as they display (DisplayName). The path itself when it exists, or when
// no name, or more than one, matches.
QString RecoverPath(const QString& path);

// The local path of a file URL with every byte of its percent-encoding kept.
QString LocalPathOfUrl(const QUrl& url);

}  // namespace zandrel
