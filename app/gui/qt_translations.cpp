#include "app/gui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace zandrel {

QLocale LocaleForLanguageName(const QString& name) {
  const QString wanted = name.trimmed();
  if (wanted.isEmpty()) return QLocale::c();
  for (int i = QLocale::C + 1; i <= QLocale::LastLanguage; ++i) {
    const auto language = static_cast<QLocale::Language>(i);
    const QLocale locale(language);
    if (locale.language() != language) continue;  // no locale data for it
    if (wanted.compare(QLocale::languageToString(language), Qt::CaseInsensitive) == 0 ||
        wanted.compare(locale.nativeLanguageName(), Qt::CaseInsensitive) == 0) {
      return locale;
    }
  }
  return QLocale::c();
}

QtTranslations::~QtTranslations() { Remove(); }

bool QtTranslations::Use(const QString& language_name) {
  if (translator_ != nullptr && language_name == language_name_) return true;
  Remove();
  language_name_ = language_name;
  const QLocale locale = LocaleForLanguageName(language_name);
  if (locale.language() == QLocale::C || locale.language() == QLocale::English) return true;
  // Dates and sizes in the requesters too.
  QLocale::setDefault(locale);
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  QCoreApplication::installTranslator(translator.get());
  translator_ = std::move(translator);
  return true;
}

void QtTranslations::Remove() {
  QLocale::setDefault(system_locale_);
  if (translator_ == nullptr) return;
  QCoreApplication::removeTranslator(translator_.get());
  translator_.reset();
}

}  // namespace zandrel
