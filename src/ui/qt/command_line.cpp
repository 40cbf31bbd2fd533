#include "ui/qt/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace zl {

std::optional<int> AnswerCommandLine(int argc, char** argv) {
  if (argc <= 1) return std::nullopt;
  int app_argc = argc;
  // Only for the parser; gone before the window's application starts.
  const QCoreApplication app(app_argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Programs an LED display board over a serial line: the effect lists of its three sign ports and "
                     "their capacity values, kept in Data.mdb."));
  // Qt's own help option would also offer toolkit options, which are refused.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help and exits."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Shows the version and exits."));
  parser.addOption(help);
  parser.addOption(version);
  const auto fail = [&](const QString& why) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", ZL_PROGRAM, qPrintable(why), ZL_PROGRAM);
    return 1;
  };
  if (!parser.parse(QCoreApplication::arguments())) return fail(parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    return fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("%s %s\n", ZL_PROGRAM, ZL_VERSION);
    return 0;
  }
  return std::nullopt;
}

}  // namespace zl
