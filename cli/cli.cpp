#include "cli/cli.h"

#include <QCoreApplication>
#include <cstdio>

#include "cli/option_table.h"
#include "platform/version.h"

namespace zandrel {
namespace {

const char kUsage[] =
    "Usage: zandrel-cli info [--json] TORRENT\n"
    "       zandrel-cli check TORRENT DIR [options]\n"
    "       zandrel-cli --help | --version\n"
    "\n"
    "Checks a BitTorrent download on disk against the .torrent file it came from.\n"
    "Run 'zandrel-cli check --help' for the options of a check run.\n";

}  // namespace

int CliMain(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Not app.arguments(): it turns bytes that are not UTF-8 into U+FFFD, and paths must stay whole.
  QStringList args = DecodedArguments(argc, argv).mid(1);
  if (args.isEmpty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const QString command = args.takeFirst();
  if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == QLatin1String("--version")) {
    std::printf("zandrel-cli %s\n", qPrintable(VersionText()));
    return 0;
  }
  if (command == QLatin1String("info")) return RunInfoCommand(args);
  if (command == QLatin1String("check")) return RunCheckCommand(args);
  std::fprintf(stderr, "zandrel-cli: unknown command '%s'\n\n%s", Bytes(command).c_str(), kUsage);
  return 2;
}

}  // namespace zandrel
