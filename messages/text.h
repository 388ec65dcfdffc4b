// Small text rules shared by the settings reader, the language files, the torrent reader and the
// report writer.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <utility>

namespace zandrel {

// The key=value line test: the first length(key)+1 characters equal key + "=" without regard to
// case; the value is the rest of the line, untrimmed. Empty when the line does not match.
QString ValueForKey(QStringView line, QStringView key);

// Replaces every placeholder of the list in one pass, ignoring letter case. Inserted values are
// never scanned again, so a path that happens to contain "%size1%" or "%s%" stays as it is.
QString FillPlaceholders(const QString& text,
                         std::initializer_list<std::pair<QStringView, QString>> values);
QString FillPlaceholders(const QString& text, std::span<const std::pair<QStringView, QString>> values);

// "count/total", as every summary line shows a share.
QString CountOfTotal(int64_t count, int64_t total);

// Message-box bodies use "|" for a line break.
QString MessageBoxBody(QString text);

// The program's common integer conversion: leading spaces and tabs, optional sign, then decimal
// digits up to the first non-digit ("$" hexadecimal, "%" binary); no digits gives 0. Values that
// do not fit saturate instead of wrapping.
int64_t ParseInteger(QStringView text);

// A name or path as one line of text can show it. Linux names may hold line breaks and other
// control characters: each is written visibly escaped ("\n", "\r", "\t", "\x1b"), so no name
// can break a report line or forge one. Bytes that stood for no character show as U+FFFD.
QString ShownText(const QString& path);

// Text of a path for a report line or status text: the path, shown, in double quotation marks.
inline QString Quoted(const QString& path) { return QChar(u'"') + ShownText(path) + QChar(u'"'); }

}  // namespace zandrel
