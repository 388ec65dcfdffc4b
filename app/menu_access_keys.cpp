#include "app/menu_access_keys.h"

#include <QSet>

namespace zandrel {
namespace {

bool StartsWord(const QString& text, qsizetype i) { return i == 0 || !text[i - 1].isLetterOrNumber(); }

// Where the access key of text goes, or -1: a free word start first, then any free letter or digit.
qsizetype PickKey(const QString& text, const QSet<QString>& used) {
  const qsizetype end = text.contains(u'\t') ? text.indexOf(u'\t') : text.size();
  for (const bool word_start : {true, false}) {
    for (qsizetype i = 0; i < end; ++i) {
      if (!text[i].isLetterOrNumber() || (word_start && !StartsWord(text, i))) continue;
      if (!used.contains(QString(text[i]).toCaseFolded())) return i;
    }
  }
  return -1;
}

}  // namespace

QStringList WithAccessKeys(const QStringList& texts) {
  QSet<QString> used;
  QStringList marked;
  for (const QString& text : texts) {
    const qsizetype key = PickKey(text, used);
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (i == key) out += u'&';
      out += text[i];
      if (text[i] == u'&') out += u'&';
    }
    if (key >= 0) used.insert(QString(text[key]).toCaseFolded());
    marked << out;
  }
  return marked;
}

}  // namespace zandrel
