// zandrel_screenshots: draws every registered shot and saves it as a PNG file.
//
//   zandrel_screenshots --out DIR [--language NAME] [--font-size PT] [--list] [SHOT...]
//
// Files are named <shot>.png, with "-<language>" and "-<size>pt" added when those are given, so
// that the runs of `make screenshots` sit side by side in one folder. Run it on a real display
// (xvfb-run): the offscreen platform cannot grab menus and other popups.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/gui/app_context.h"
#include "app/gui/qt_translations.h"
#include "tests/gui/scripted_dialogs.h"
#include "tests/screenshots/shot_registry.h"

namespace zandrel::shots {
namespace {

struct RunSettings {
  QString out_dir;
  QString language;
  int font_size = 0;
  QStringList only;
};

QString FileNameFor(const QString& shot, const RunSettings& run) {
  QString name = shot;
  if (!run.language.isEmpty()) name += QLatin1Char('-') + run.language;
  if (run.font_size > 0) name += QStringLiteral("-%1pt").arg(run.font_size);
  return name + QStringLiteral(".png");
}

// One shot with a context of its own, so that no shot sees what another changed.
bool TakeShot(const Shot& shot, const RunSettings& run) {
  QTemporaryDir work;
  MessageTable table(QStringLiteral(ZANDREL_SOURCE_DIR "/lang"));
  table.InitMessageTable();
  if (!run.language.isEmpty()) {
    table.RequestLanguage(run.language + QStringLiteral(".lng"));
    if (!table.LoadRequestedLanguage()) {
      std::fprintf(stderr, "language %s not found\n", qPrintable(run.language));
      return false;
    }
  }
  // Qt's own texts in the same language, as the program has them.
  QtTranslations qt_texts;
  qt_texts.Use(run.language);
  test::ScriptedDialogs dialogs;
  AppContext context(table, dialogs);
  context.data_folder = {work.path() + QStringLiteral("/data/"), work.path() + QStringLiteral("/data/zandrel.ini"),
                         work.path() + QStringLiteral("/data/logs"), false};
  QDir(work.path()).mkpath(QStringLiteral("data"));
  QDir(work.path()).mkpath(QStringLiteral("files"));
  if (!run.language.isEmpty()) context.options.Language = run.language + QStringLiteral(".lng");
  if (run.font_size > 0) {
    context.options.Font = QApplication::font().family();
    context.options.FontSize = run.font_size;
  }
  ShotSetup setup{context, work.path() + QStringLiteral("/files"), run.language, run.font_size};
  const QImage image = shot.make(setup);
  QApplication::closeAllWindows();
  const QString path = QDir(run.out_dir).filePath(FileNameFor(shot.name, run));
  if (image.isNull() || !image.save(path, "PNG")) {
    std::fprintf(stderr, "%s: no picture\n", qPrintable(shot.name));
    return false;
  }
  std::printf("%s (%dx%d)\n", qPrintable(path), image.width(), image.height());
  return true;
}

int Run(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.addOption({QStringLiteral("out"), QStringLiteral("folder for the PNG files"), QStringLiteral("dir"),
                    QStringLiteral("screenshots")});
  parser.addOption({QStringLiteral("language"), QStringLiteral("language file name without .lng"),
                    QStringLiteral("name")});
  parser.addOption({QStringLiteral("font-size"), QStringLiteral("font size in points"), QStringLiteral("pt")});
  parser.addOption({QStringLiteral("list"), QStringLiteral("print the shot names")});
  parser.addPositionalArgument(QStringLiteral("shot"), QStringLiteral("shots to take (default: all)"));
  parser.addHelpOption();
  parser.process(arguments);

  RunSettings run{parser.value(QStringLiteral("out")), parser.value(QStringLiteral("language")),
                  parser.value(QStringLiteral("font-size")).toInt(), parser.positionalArguments()};
  if (run.font_size > 0) {
    QFont font = QApplication::font();
    font.setPointSize(run.font_size);
    QApplication::setFont(font);
  }
  QDir().mkpath(run.out_dir);
  int failed = 0, taken = 0;
  for (const Shot& shot : RegisteredShots()) {
    if (parser.isSet(QStringLiteral("list"))) {
      std::printf("%s\n", qPrintable(shot.name));
      continue;
    }
    if (!run.only.isEmpty() && !run.only.contains(shot.name)) continue;
    ++taken;
    if (!TakeShot(shot, run)) ++failed;
  }
  if (!parser.isSet(QStringLiteral("list")) && taken == 0) std::fprintf(stderr, "no shot taken\n");
  return failed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zandrel::shots

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  return zandrel::shots::Run(QApplication::arguments());
}
