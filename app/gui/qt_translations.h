// Qt's own texts (the Yes and No buttons, the file, folder and font requesters, key names such as
// "Ctrl") and its dates and numbers in the language the program speaks, from the translations
// installed with Qt.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>

namespace zandrel {

// The locale whose language a language file's name gives, in English or in the language itself
// ("German" or "Deutsch"), letter case aside; C for any other name.
QLocale LocaleForLanguageName(const QString& name);

class QtTranslations {
 public:
  QtTranslations() = default;
  QtTranslations(const QtTranslations&) = delete;
  QtTranslations& operator=(const QtTranslations&) = delete;
  ~QtTranslations();

  // Installs Qt's translation for the language of that name, replacing the one installed before;
  // an empty or unknown name (or English) leaves Qt's built-in English. False when Qt has no
  // translation for a known language.
  bool Use(const QString& language_name);

 private:
  void Remove();

  const QLocale system_locale_ = QLocale::system();
  std::unique_ptr<QTranslator> translator_;
  QString language_name_;
};

}  // namespace zandrel
