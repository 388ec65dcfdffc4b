// Loading language files of about 10 MB: one huge line, millions of empty lines, many key lines.
// Build: cmake --build <dir> --target language_file_bench
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "messages/message_table.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

constexpr qsizetype kChars = 5 * 1024 * 1024;  // 10 MB of UTF-16

QString HugeLine() { return QStringLiteral("Menu_Exit=") + QString(kChars, QChar(u'x')); }
QString EmptyLines() { return QString(kChars, QChar(u'\n')); }
QString KeyLines() {
  const QString line = QStringLiteral("Msg_Error=Fehler beim Lesen\r\n");
  return line.repeated(kChars / line.size());
}

void LoadFile(benchmark::State& state, const QString& text) {
  QTemporaryDir dir;
  LanguageFile file;
  file.lines << text;
  // Written as one "line" without its final CR LF, so the text is the whole file.
  QByteArray bytes = EncodeLanguageFile(file);
  bytes.chop(4);
  WriteWholeFile(dir.path() + "/Bench.lng", bytes);
  MessageTable table(dir.path());
  for (auto _ : state) {
    table.RequestLanguage(QStringLiteral("Bench.lng"));
    benchmark::DoNotOptimize(table.LoadRequestedLanguage());
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_HugeLine(benchmark::State& state) { LoadFile(state, HugeLine()); }
void BM_EmptyLines(benchmark::State& state) { LoadFile(state, EmptyLines()); }
void BM_KeyLines(benchmark::State& state) { LoadFile(state, KeyLines()); }

BENCHMARK(BM_HugeLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyLines)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zandrel

BENCHMARK_MAIN();
