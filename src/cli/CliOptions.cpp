#include "CliOptions.h"

#include "ChannelsNumbering.h"
#include "GWYKomunikator.h"

#include <map>

namespace pellix::cli {
namespace {

// Each command and the number of its arguments.
const std::map<QString, int>& Commands() {
  static const std::map<QString, int> commands{
      {QStringLiteral("read"), 0},
      {QStringLiteral("versions"), 0},
      {QStringLiteral("backup"), 1},
      {QStringLiteral("restore"), 1},
      {QStringLiteral("find-new"), 1},
      {QStringLiteral("find-new-all"), 1},
      {QStringLiteral("find-all"), 1},
      {QStringLiteral("save-new"), 2},
      {QStringLiteral("save-found"), 3},
      {QStringLiteral("delete"), 1},
      {QStringLiteral("set-rom"), 2},
      {QStringLiteral("upgrade"), 1},
      {QStringLiteral("descriptions-template"), 1},
  };
  return commands;
}

[[noreturn]] void usage(const QString& message) { throw CliError(ExitUsage, message); }

int intFrom(const QString& option, const QString& text, int min, int max) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok, 10);
  if (!ok || value < min || value > max)
    usage(QStringLiteral("%1 takes a whole number from %2 to %3, not \"%4\"")
              .arg(option)
              .arg(min)
              .arg(max)
              .arg(text));
  return value;
}

int baudRateIndex(const QString& text) {
  bool ok = false;
  const int baud = text.trimmed().toInt(&ok, 10);
  QStringList rates;
  for (std::size_t i = 0; i < TGWYKomunikator::BaudRates.size(); ++i) {
    const int rate = TGWYKomunikator::BaudRates[i] * 100;
    if (ok && rate == baud) return static_cast<int>(i);
    rates << QString::number(rate);
  }
  usage(QStringLiteral("--baud takes one of the gateway's rates: %1").arg(rates.join(QStringLiteral(", "))));
}

int choice(const QString& option, const QString& text, const QStringList& names) {
  const int index = static_cast<int>(names.indexOf(text.trimmed().toLower()));
  if (index < 0) usage(QStringLiteral("%1 takes %2").arg(option, names.join(QLatin1Char('|'))));
  return index;
}

}  // namespace

int ChannelFromText(const QString& text) {
  const int first = DisplayedNumber(1);
  const int last = DisplayedNumber(ChannelCount);
  const int shown = intFrom(QStringLiteral("CHANNEL"), text, first, last);
  return shown - first + 1;
}

int LineFromText(const QString& text) { return intFrom(QStringLiteral("LINE"), text, 1, 2) - 1; }

CliOptions ParseCommandLine(const QStringList& args) {
  CliOptions o;
  bool comGiven = false;
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    QString a = args[i];
    QString value;
    bool inlineValue = false;
    if (a.startsWith(QLatin1String("--")) && a.contains(QLatin1Char('='))) {
      value = a.section(QLatin1Char('='), 1);
      a = a.section(QLatin1Char('='), 0, 0);
      inlineValue = true;
    }
    auto next = [&]() -> QString {
      if (inlineValue) return value;
      if (i + 1 >= args.size()) usage(QStringLiteral("%1 needs a value").arg(a));
      return args[++i];
    };
    if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.Help = true;
    } else if (a == QLatin1String("--version")) {
      o.Version = true;
    } else if (a == QLatin1String("--com")) {
      o.Link.Com = intFrom(a, next(), 1, 9999);
      comGiven = true;
    } else if (a == QLatin1String("--device")) {
      o.Link.Device = next();
      if (o.Link.Device.isEmpty()) usage(QStringLiteral("--device needs a path"));
    } else if (a == QLatin1String("--baud")) {
      o.Link.BaudRateIndex = baudRateIndex(next());
    } else if (a == QLatin1String("--address")) {
      o.Link.Address = intFrom(a, next(), 1, TGWYKomunikator::MaxSlaveAddress);
    } else if (a == QLatin1String("--parity")) {
      o.Link.ParityIndex =
          choice(a, next(), {QStringLiteral("none"), QStringLiteral("odd"), QStringLiteral("even")});
    } else if (a == QLatin1String("--stop")) {
      o.Link.StopBitsIndex = choice(a, next(), {QStringLiteral("1"), QStringLiteral("2")});
    } else if (a == QLatin1String("--format")) {
      o.Format = static_cast<OutputFormat>(
          choice(a, next(), {QStringLiteral("table"), QStringLiteral("csv"), QStringLiteral("json")}));
    } else if (a == QLatin1String("--watch")) {
      o.WatchSeconds = intFrom(a, next(), 1, 86400);
    } else if (a == QLatin1String("--yes") || a == QLatin1String("-y")) {
      o.Yes = true;
    } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1 && !(a[1].isDigit())) {
      usage(QStringLiteral("unknown option %1").arg(a));
    } else {
      positional << args[i];
    }
  }
  if (o.Help || o.Version) return o;
  if (positional.isEmpty()) usage(QStringLiteral("no command given"));
  o.Command = positional.takeFirst();
  o.Args = positional;
  const auto it = Commands().find(o.Command);
  if (it == Commands().end()) usage(QStringLiteral("unknown command \"%1\"").arg(o.Command));
  if (o.Args.size() != it->second) usage(QStringLiteral("%1: wrong number of arguments").arg(o.Command));
  if (comGiven == !o.Link.Device.isEmpty())
    usage(QStringLiteral("give the port with --com N or with --device PATH (one of them)"));
  if (o.Command != QLatin1String("read") && (o.Format != OutputFormat::Table || o.WatchSeconds != 0))
    usage(QStringLiteral("--format and --watch belong to read"));
  return o;
}

QString UsageText() {
  return QStringLiteral(
             "Usage: pellix-cli [--com N | --device PATH] [--baud 9600] [--address 1]\n"
             "                  [--parity none|odd|even] [--stop 1|2] COMMAND\n"
             "\n"
             "Commands:\n"
             "  read [--format table|csv|json] [--watch SECONDS]   all 40 channels\n"
             "  versions                                           firmware and hardware version\n"
             "  backup FILE                                        the channel table into a configuration "
             "file\n"
             "  restore FILE [--yes]                               the file into the gateway, then read "
             "back\n"
             "  find-new LINE | find-new-all LINE | find-all LINE  search a line (1 or 2)\n"
             "  save-new LINE CHANNEL                              store the device find-new found\n"
             "  save-found LINE INDEX CHANNEL                      store a search result by its index\n"
             "  delete CHANNEL [--yes]                             free a channel\n"
             "  set-rom CHANNEL ROMCODE [--yes]                    write a channel's ROM code\n"
             "  upgrade IMAGE [--yes]                              write a firmware image\n"
             "  descriptions-template FILE                         a descriptions file for the present "
             "channels\n"
             "\n"
             "Channels are numbered as in the window: %1 to %2 (LINE 1: %1-%3, LINE 2: %4-%2).\n"
             "Exit codes: 0 done, 1 refused or different, 2 bad usage, 3 port cannot be opened,\n"
             "4 no reply. See man pellix-cli.\n")
      .arg(DisplayedNumber(1))
      .arg(DisplayedNumber(ChannelCount))
      .arg(DisplayedNumber(ChannelsPerLine))
      .arg(DisplayedNumber(ChannelsPerLine + 1));
}

}  // namespace pellix::cli
