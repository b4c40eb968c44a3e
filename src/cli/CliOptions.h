#pragma once
// pellix-cli's command line: the link to the gateway, the command and its arguments.
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace pellix::cli {

// The program's exit codes.
enum ExitCode : int {
  ExitDone = 0,
  ExitRefused = 1,    // the gateway answered but refused, or the result differs
  ExitUsage = 2,      // bad usage; nothing was sent
  ExitPortError = 3,  // the port cannot be opened
  ExitNoReply = 4,    // no valid reply to three tries in a row
};

// Ends a command with its exit code; the message goes to stderr.
class CliError : public std::runtime_error {
 public:
  CliError(int code, const QString& message) : std::runtime_error(message.toStdString()), Code(code) {}
  int Code;
};

struct LinkOptions {
  int Com = 0;            // COM number, or 0 when Device is given
  QString Device;         // a device path instead of a COM number
  int BaudRateIndex = 5;  // into TGWYKomunikator::BaudRates: 9600 Bd
  int Address = 1;
  int ParityIndex = 0;    // none, odd, even
  int StopBitsIndex = 0;  // one, two
};

enum class OutputFormat { Table, Csv, Json };

struct CliOptions {
  LinkOptions Link;
  QString Command;
  QStringList Args;
  OutputFormat Format = OutputFormat::Table;
  int WatchSeconds = 0;  // read: 0 reads once
  bool Yes = false;
  bool Help = false;
  bool Version = false;
};

// Throws CliError(ExitUsage) with a message that names the mistake.
CliOptions ParseCommandLine(const QStringList& args);

QString UsageText();

// The operator's channel number (as the window numbers channels) -> channel number
// 1..40; CliError(ExitUsage) when it is not one.
int ChannelFromText(const QString& text);
// "1" or "2" -> line 0 or 1.
int LineFromText(const QString& text);

}  // namespace pellix::cli
