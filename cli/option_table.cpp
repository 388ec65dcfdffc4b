#include "cli/option_table.h"

#include "platform/native_name.h"

namespace zandrel {
namespace {

constexpr int kHelpColumn = 29;

// The option as the user typed it, found again among the arguments ("--x=1" and "-x" included).
QString TypedOption(const QStringList& args, const QString& name) {
  for (const QString& arg : args) {
    if (arg == QLatin1String("--")) break;
    if (!arg.startsWith(u'-')) continue;
    QString bare = arg.section(u'=', 0, 0);
    while (bare.startsWith(u'-')) bare.remove(0, 1);
    if (bare == name) return arg.section(u'=', 0, 0);
  }
  return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The parser's own messages end in the option within quotes; ours say the same in our words.
QString ParserProblem(const QString& text) {
  const qsizetype open = text.indexOf(u'\'');
  const qsizetype close = text.lastIndexOf(u'\'');
  const QString option = open >= 0 && close > open ? text.mid(open + 1, close - open - 1) : text;
  if (text.startsWith(QLatin1String("Missing value"))) return QStringLiteral("option %1 needs a value").arg(option);
  if (text.startsWith(QLatin1String("Unexpected value"))) {
    return QStringLiteral("option %1 takes no value").arg(option.section(u'=', 0, 0));
  }
  return text;
}

}  // namespace

QStringList DecodedArguments(int argc, char** argv) {
  QStringList args;
  args.reserve(argc);
  for (int i = 0; i < argc; ++i) args << DecodeName(QByteArrayView(argv[i]));
  return args;
}

bool ParseOptions(std::span<const OptionRow> table, const QStringList& args, QCommandLineParser& parser,
                  QString* error, QString* unknown) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  for (const OptionRow& row : table) {
    QCommandLineOption option(QString::fromLatin1(row.name));
    if (row.value_name) option.setValueName(QString::fromLatin1(row.value_name));
    parser.addOption(option);
  }
  // The parser takes the first argument for the program's name.
  if (parser.parse(QStringList{QStringLiteral("zandrel-cli")} + args)) return true;
  if (!parser.unknownOptionNames().isEmpty()) {
    *error = QStringLiteral("unknown option");
    *unknown = TypedOption(args, parser.unknownOptionNames().first());
  } else {
    *error = ParserProblem(parser.errorText());
  }
  return false;
}

std::string OptionsHelp(std::span<const OptionRow> table) {
  std::string out;
  for (const OptionRow& row : table) {
    std::string head = std::string("  --") + row.name;
    if (row.value_name) head += std::string(" ") + row.value_name;
    head.resize(std::max<size_t>(head.size() + 1, kHelpColumn), ' ');
    out += head;
    for (const char* c = row.help; *c; ++c) {
      out += *c;
      if (*c == '\n') out.append(kHelpColumn, ' ');
    }
    out += '\n';
  }
  return out;
}

std::string Bytes(const QString& text) { return EncodeName(text).toStdString(); }

}  // namespace zandrel
