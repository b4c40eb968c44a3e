#include "CliCommands.h"

#include "ChannelImport.h"
#include "ChannelReport.h"
#include "ChannelStatus.h"
#include "ChannelsNumbering.h"
#include "ConfigurationFile.h"
#include "DescriptionsFile.h"
#include "GatewaySession.h"
#include "InOutError.h"
#include "RegisterMap.h"
#include "Terminal.h"
#include "Wait.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>

namespace pellix::cli {
namespace {

namespace rm = RegisterMap;

GatewaySnapshot ReadSnapshot(GatewaySession& session) {
  Blocks b = session.ReadBlocks(
      {rm::ChannelBlock0, rm::ChannelBlock1, rm::ChannelBlock2, rm::ChannelBlock3, rm::ServiceBlock});
  return SnapshotFromBlocks(b[rm::ServiceBlock], {b[rm::ChannelBlock0], b[rm::ChannelBlock1],
                                                  b[rm::ChannelBlock2], b[rm::ChannelBlock3]});
}

TChannelData ChannelIn(const Blocks& blocks, int channel) {
  const Block& block = blocks.at(rm::BlockOfChannelIndex(ChannelIndex(channel)));
  const int offset = (ChannelIndex(channel) % rm::ChannelsPerBlock) * rm::ChannelRegisters;
  return ChannelFromRegisters(channel, &block[static_cast<std::size_t>(offset)]);
}

// One channel as a line of the table, without the versions.
QString ChannelLine(const TChannelData& channel) {
  GatewaySnapshot one;
  one.Channels.push_back(channel);
  const QString table = ChannelTable(one);
  return table.section(QLatin1Char('\n'), 2, 3) + QLatin1Char('\n');
}

// The search view's service texts of a line.
QString ServiceLines(const LineService& s) {
  return CommandText(s.Command) + QLatin1Char('\n') + OperationStatusLine(s.Status) + QLatin1Char('\n');
}

int StatusExit(const LineService& s) { return s.Status == rm::StatusOk ? ExitDone : ExitRefused; }

int LineOf(const CliOptions& o, int argument) { return LineFromText(o.Args[argument]); }

// A channel given for a line must be on it.
int ChannelOnLine(const QString& text, int line) {
  const int channel = ChannelFromText(text);
  if (LineOfChannel(channel) != line)
    throw CliError(ExitUsage, QStringLiteral("channel %1 is not on LINE %2: enter a channel number %3 to %4")
                                  .arg(text.trimmed())
                                  .arg(line + 1)
                                  .arg(DisplayedNumber(line * ChannelsPerLine + 1))
                                  .arg(DisplayedNumber((line + 1) * ChannelsPerLine)));
  return channel;
}

void WriteFile(const std::function<void()>& write) {
  try {
    write();
  } catch (const InOutError& e) {
    throw CliError(ExitUsage, QString::fromUtf8(e.what()));
  }
}

int Read(const CliOptions& o, GatewaySession& session) {
  // Scripts get the same text whatever the user's locale.
  if (o.Format != OutputFormat::Table) QLocale::setDefault(QLocale::c());
  QElapsedTimer clock;
  for (bool first = true;; first = false) {
    clock.start();
    const GatewaySnapshot s = ReadSnapshot(session);
    switch (o.Format) {
      case OutputFormat::Table:
        PrintOut((first ? QString() : QStringLiteral("\n")) + ChannelTable(s));
        break;
      case OutputFormat::Csv:
        PrintOut(ChannelCsv(s));
        break;
      case OutputFormat::Json:
        PrintOut(ChannelJson(s, o.WatchSeconds == 0));
        break;
    }
    if (o.WatchSeconds == 0) return ExitDone;
    WaitWithMessages(static_cast<int>(o.WatchSeconds * 1000 - clock.elapsed()));
  }
}

int Restore(const CliOptions& o, GatewaySession& session) {
  const QString fileName = o.Args[0];
  ConfigurationContent content;
  WriteFile([&] { content = ReadConfigurationFile(fileName); });
  if (!content.Valid) throw CliError(ExitUsage, QStringLiteral("%1: Error reading file.").arg(fileName));
  const QString shortName = QFileInfo(fileName).fileName();
  if (ImportedAssignments(content.Records).empty()) throw CliError(ExitUsage, ImportNothingText(shortName));
  if (!ConfirmOverwrite(
          o.Command,
          QStringLiteral("The gateway configuration will be overwritten by the file %1?").arg(shortName),
          o.Yes))
    return ExitRefused;

  session.Connect();
  session.ReadBlocks({rm::ServiceBlock});

  // The import's progress window, as a line on stderr.
  class ProgressSink : public IProgressSink, public IImportHost {
   public:
    void SetCaption(const QString&) override {}
    void Show() override {}
    void Hide() override { line.Finish(); }
    void SetMaximum(int maximum) override { maximum_ = maximum; }
    void SetPosition(int position) override { position_ = position; }
    int Position() const override { return position_; }
    void SetText(const QString& text) override { text_ = text; }
    void Repaint() override { line.Show(text_, position_, maximum_); }
    void SetMainWindowEnabled(bool) override {}
    IProgressSink& ProgressDialog() override { return *this; }
    void SetConnectChecked() override {}
    ProgressLine line;

   private:
    int maximum_ = 0;
    int position_ = 0;
    QString text_;
  } progress;
  TGWYKomunikator& client = session.Client();
  client.SetImportHost(&progress);
  const ImportResult result = client.WriteAndCheck(content.Records, shortName);
  client.SetImportHost(nullptr);
  progress.line.Finish();

  if (result.Confirmed()) {
    PrintOut(QStringLiteral("Channels has been overwritten.\n"));
    return ExitDone;
  }
  if (!client.IsActive()) throw CliError(ExitNoReply, ImportUncheckedText(shortName));
  PrintErr(ImportDifferReport(result, shortName) + QLatin1Char('\n'));
  return ExitRefused;
}

int Search(const CliOptions& o, GatewaySession& session) {
  const int line = LineOf(o, 0);
  TGWYKomunikator& client = session.Client();
  session.Connect();
  if (o.Command == QLatin1String("find-new")) {
    Blocks b = session.Command(line, rm::CmdFindNew, [&] { client.FindNew(line); }, {});
    const LineService s = LineServiceFromBlock(b[rm::ServiceBlock], line);
    PrintOut(NewRomCodeText(s.NewRomCode) + QLatin1Char('\n') + ServiceLines(s));
    return StatusExit(s);
  }
  const bool all = o.Command == QLatin1String("find-all");
  const uint16_t word = all ? rm::CmdFindAll : rm::CmdFindNewAll;
  Blocks b = session.Command(line, word, [&] { all ? client.FindAll(line) : client.FindNewAll(line); },
                             {rm::SearchResults(line)});
  const LineService s = LineServiceFromBlock(b[rm::ServiceBlock], line);
  QString out = ServiceLines(s);
  // The result slots are numbered by position, whatever the channel numbering.
  for (const TSearchResult& r : SearchResultsFromBlock(b[rm::SearchResults(line)], rm::SearchResults(line)))
    if (r.RomCode != RomCodeEmpty)
      out += QStringLiteral("%1  %2  %3\n")
                 .arg(r.SlotIndex - 1, 2)
                 .arg(RomCodeToHex(r.RomCode), SearchIndexText(r.DeviceIndex));
  PrintOut(out);
  return StatusExit(s);
}

// save-new, save-found and delete: a command word for a channel, then the channel as read.
int ChannelCommand(const CliOptions& o, GatewaySession& session) {
  TGWYKomunikator& client = session.Client();
  int channel = 0;
  uint16_t word = 0;
  std::function<void()> queue;
  if (o.Command == QLatin1String("save-new")) {
    channel = ChannelOnLine(o.Args[1], LineOf(o, 0));
    word = rm::CmdSaveNew(ChannelIndex(channel));
    queue = [&] { client.SaveNewDevice(channel); };
  } else if (o.Command == QLatin1String("save-found")) {
    bool ok = false;
    const int index = o.Args[1].trimmed().toInt(&ok, 10);
    // Above 127 the command's high byte would wrap round to another command.
    if (!ok || index < 0 || index > 0x7F)
      throw CliError(ExitUsage, QStringLiteral("INDEX takes the search result's index, 0 to 127"));
    channel = ChannelOnLine(o.Args[2], LineOf(o, 0));
    word = rm::CmdSaveFound(index, ChannelIndex(channel));
    queue = [&, index] { client.SaveFoundDevice(index, ChannelIndex(channel)); };
  } else {
    channel = ChannelFromText(o.Args[0]);
    if (!ConfirmOverwrite(o.Command,
                          QStringLiteral("Channel %1 will be freed. Continue?").arg(DisplayedNumber(channel)),
                          o.Yes))
      return ExitRefused;
    word = rm::CmdDelete(ChannelIndex(channel));
    queue = [&] { client.DeleteChannel(channel); };
  }
  session.Connect();
  const int line = LineOfChannel(channel);
  Blocks b = session.Command(line, word, queue, {rm::BlockOfChannelIndex(ChannelIndex(channel))});
  const LineService s = LineServiceFromBlock(b[rm::ServiceBlock], line);
  const TChannelData read = ChannelIn(b, channel);
  PrintOut(ServiceLines(s) + ChannelLine(read));
  if (s.Status != rm::StatusOk) return ExitRefused;
  if (o.Command == QLatin1String("delete") && read.Status != StatusFree) {
    PrintErr(QStringLiteral("Channel %1 is still assigned.\n").arg(DisplayedNumber(channel)));
    return ExitRefused;
  }
  return ExitDone;
}

int SetRom(const CliOptions& o, GatewaySession& session) {
  const int channel = ChannelFromText(o.Args[0]);
  TRomCode rom{};
  QString text = o.Args[1].trimmed();
  text.remove(QLatin1Char('-'));  // the entry form FF-FF-... too
  if (!ParseRomCode(text, rom))
    throw CliError(ExitUsage,
                   QStringLiteral("ROMCODE takes 16 hexadecimal digits, not \"%1\"").arg(o.Args[1]));
  if (!ConfirmOverwrite(o.Command,
                        QStringLiteral("The ROM code of channel %1 will be overwritten by %2. Continue?")
                            .arg(DisplayedNumber(channel))
                            .arg(RomCodeToHex(rom)),
                        o.Yes))
    return ExitRefused;
  session.Connect();
  const uint16_t block = rm::BlockOfChannelIndex(ChannelIndex(channel));
  TChannelData read{};
  // The write has no reply: reading the channel back tells whether it took.
  for (int attempt = 1; attempt <= GatewaySession::TriesInARow; ++attempt) {
    session.ReadBlocks({rm::ServiceBlock});
    session.Client().WriteRomCode(rom, channel);
    read = ChannelIn(session.ReadBlocks({block}), channel);
    if (read.RomCode == rom) {
      PrintOut(ChannelLine(read));
      return ExitDone;
    }
  }
  PrintOut(ChannelLine(read));
  PrintErr(QStringLiteral("Channel %1 does not hold the ROM code %2.\n")
               .arg(DisplayedNumber(channel))
               .arg(RomCodeToHex(rom)));
  return ExitRefused;
}

}  // namespace

int RunCommand(const CliOptions& o) {
  if (o.Command == QLatin1String("upgrade")) return RunUpgrade(o);
  GatewaySession session(o.Link);
  const QString& c = o.Command;
  if (c == QLatin1String("restore")) return Restore(o, session);
  if (c == QLatin1String("find-new") || c == QLatin1String("find-new-all") || c == QLatin1String("find-all"))
    return Search(o, session);
  if (c == QLatin1String("save-new") || c == QLatin1String("save-found") || c == QLatin1String("delete"))
    return ChannelCommand(o, session);
  if (c == QLatin1String("set-rom")) return SetRom(o, session);

  session.Connect();
  if (c == QLatin1String("read")) return Read(o, session);
  if (c == QLatin1String("versions")) {
    const Blocks b = session.ReadBlocks({rm::ServiceBlock});
    GatewaySnapshot s = SnapshotFromBlocks(b.at(rm::ServiceBlock), {});
    PrintOut(VersionsText(s));
    return ExitDone;
  }
  const GatewaySnapshot s = ReadSnapshot(session);
  if (c == QLatin1String("backup")) {
    WriteFile([&] { WriteConfigurationFile(o.Args[0], s.Channels); });
    return ExitDone;
  }
  // descriptions-template
  TDynamicBackupArray records;
  for (const TChannelData& channel : s.Channels)
    records.push_back(MakeBackupData(channel.ChannelNumber, channel.RomCode, QString()));
  WriteFile([&] { WriteDescriptionsFile(o.Args[0], records); });
  return ExitDone;
}

}  // namespace pellix::cli
