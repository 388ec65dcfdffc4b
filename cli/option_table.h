// The options of a zandrel-cli command as one table: the parser is built from it and the help text
// is written from it, so neither can name an option the other lacks.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <span>
#include <string>

namespace zandrel {

struct OptionRow {
  const char* name;        // without the leading "--"
  const char* value_name;  // nullptr for a switch
  const char* help;        // "\n" starts a continuation line
};

// The arguments as the command line held them: names that are not UTF-8 keep their bytes (see
// DecodeName).
QStringList DecodedArguments(int argc, char** argv);

// Parses args (those after the command word); "--" ends the options, and both "--name value" and
// "--name=value" are accepted. Returns false and sets *error to a sentence without trailing period:
// either "unknown option" with *unknown set to the option as typed, or another problem.
bool ParseOptions(std::span<const OptionRow> table, const QStringList& args, QCommandLineParser& parser,
                  QString* error, QString* unknown);

// "  --name VALUE   help" lines, the help starting in column 30 and continuation lines below it.
std::string OptionsHelp(std::span<const OptionRow> table);

// Text as bytes for the terminal: the bytes of a path that is not UTF-8 come out as they were given.
std::string Bytes(const QString& text);

}  // namespace zandrel
