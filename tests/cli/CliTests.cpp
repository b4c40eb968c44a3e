// pellix-cli run as a process against the simulated gateway on a pseudo-terminal: every
// command with the gateway's state checked after it, the window's backup beside the
// program's, the upgraded image, and the exit codes.
#include "AfPortComboBox.h"
#include "ConfigurationFile.h"
#include "DescriptionsFile.h"
#include "ErrorReport.h"
#include "FileViews.h"
#include "Main.h"
#include "RomCode.h"
#include "Scenario.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "UpgradeTestSupport.h"
#include "uFrame_Komunikace.h"
#include "uFrame_SensorBox.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <memory>

namespace {

using namespace pellix;
using pellix::test::sandboxDir;
using pellix::test::scriptedPrompts;
using pellix::test::waitUntil;

constexpr int Com = 11;
constexpr int UsbRateIndex = 13;

struct CliRun {
  int code = -1;
  QString out;
  QString err;
};

// Runs pellix-cli on the simulated gateway's COM number at 115.2 kBd, stdin not a terminal.
CliRun cli(const QStringList& args, bool withPort = true) {
  QProcess p;
  p.setProgram(QStringLiteral(PELLIX_CLI));
  QStringList all;
  if (withPort) all << QStringLiteral("--com") << QString::number(Com) << QStringLiteral("--baud=115200");
  p.setArguments(all + args);
  p.setStandardInputFile(QProcess::nullDevice());
  p.start();
  EXPECT_TRUE(p.waitForFinished(90000)) << args.join(' ').toStdString();
  CliRun r;
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

QString inSandbox(const QString& name) { return QDir(sandboxDir()).filePath(name); }

class CliE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    auto scenario = gwsim::loadScenario(PELLIX_SCENARIO, &error);
    ASSERT_TRUE(scenario) << error;
    // Values that stay put: two reads at different moments give the same bytes.
    for (gwsim::Device& d : scenario->model.devices()) {
      d.swing = d.humiditySwing = 0;
      d.connectedS = d.removedS = 0;
      d.capacity = 0;
    }
    scenario->model.config().restartSilenceMs = 400;
    scenario->model.config().firmwareAfterUpgrade = 110;
    sim = std::make_unique<gwsim::Simulator>(std::move(scenario->model));
    ASSERT_TRUE(sim->start(&error)) << error;
    ASSERT_FALSE(sim->linkAsCom(Com, &error).empty()) << error;
  }
  void TearDown() override {
    sim->setLogHandler({});
    sim->stop();
  }

  std::optional<gwsim::RomCode> assignment(int channelIndex) {
    return sim->withModel([&](gwsim::GatewayModel& m) { return m.assignment(channelIndex); });
  }
  QString romText(int channelIndex) {
    const auto rom = assignment(channelIndex);
    return rom ? RomCodeToHex(TRomCode{rom->words[0], rom->words[1], rom->words[2], rom->words[3]})
               : QString();
  }

  std::unique_ptr<gwsim::Simulator> sim;
};

TEST_F(CliE2E, ReadVersionsAndTheDescriptionsTemplateShowTheGateway) {
  const CliRun json = cli({QStringLiteral("read"), QStringLiteral("--format"), QStringLiteral("json")});
  ASSERT_EQ(json.code, 0) << json.err.toStdString();
  const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
  EXPECT_EQ(root[QStringLiteral("versions")][QStringLiteral("firmware")].toString(), QStringLiteral("V1.09"));
  const QJsonArray channels = root[QStringLiteral("channels")].toArray();
  ASSERT_EQ(channels.size(), 40);
  for (int i = 0; i < 40; ++i) {
    const QJsonObject c = channels[i].toObject();
    EXPECT_EQ(c[QStringLiteral("number")].toInt(), i);  // numbered as the window numbers them
    EXPECT_EQ(c[QStringLiteral("free")].toBool(), romText(i).isEmpty()) << i;
    if (!romText(i).isEmpty()) {
      EXPECT_EQ(c[QStringLiteral("rom_code")].toString(), romText(i)) << i;
    }
  }
  const QJsonObject boiler = channels[0].toObject();
  EXPECT_EQ(boiler[QStringLiteral("family")].toString(), QStringLiteral("DS18B20"));
  EXPECT_EQ(boiler[QStringLiteral("values")][0][QStringLiteral("text")].toString(),
            QStringLiteral("58.5 °C"));
  EXPECT_EQ(boiler[QStringLiteral("status_text")].toString(), QStringLiteral("OK"));

  const CliRun table = cli({QStringLiteral("read")});
  ASSERT_EQ(table.code, 0);
  EXPECT_TRUE(table.out.startsWith(QStringLiteral("Gateway FW version: V1.09\nGateway HW version: V1.02\n")));
  EXPECT_TRUE(
      table.out.contains(QRegularExpression(QStringLiteral("\n +0  28FF641E0C160374  DS18B20  +58.5 °C"))))
      << table.out.toStdString();

  const CliRun versions = cli({QStringLiteral("versions")});
  EXPECT_EQ(versions.out, QStringLiteral("Gateway FW version: V1.09\nGateway HW version: V1.02\n"));

  const QString file = inSandbox(QStringLiteral("template.txt"));
  ASSERT_EQ(cli({QStringLiteral("descriptions-template"), file}).code, 0);
  const DescriptionsContent content = ParseDescriptions(ReadDescriptionsLines(file));
  EXPECT_TRUE(content.Valid);
  EXPECT_EQ(content.ChannelLines, 40);
  EXPECT_EQ(ReadDescriptionsLines(file).value(6), QStringLiteral("0\t28FF641E0C160374\t"));
}

TEST_F(CliE2E, BackupIsByteIdenticalToTheWindowsSave) {
  TMainForm::ResetCreationCounters();
  auto form = std::make_unique<TMainForm>();
  setErrorHandler([&](const std::exception& e) { form->ApplicationEvents1Exception(e); });
  TFrame_Komunikace* frame = form->Frame_Komunikace1;
  frame->AfPortComboBox1->RefreshPorts();
  frame->AfPortComboBox1->SetSelectedComNumber(Com);
  frame->ComboBox_BaudRate->setCurrentIndex(UsbRateIndex);
  frame->CheckBox_Connect->click();
  ASSERT_TRUE(waitUntil([&] { return form->ChannelBlocksRead(); }, 8000));
  const QString fromWindow = inSandbox(QStringLiteral("window.bin"));
  scriptedPrompts().expect(PromptKind::SaveFile, true, fromWindow);
  SaveConfigurationCommand(ChannelBoxViewsOf(form->ChannelBoxes));
  frame->CheckBox_Connect->click();  // the port is the program's now
  setErrorHandler({});
  form.reset();

  const QString fromCli = inSandbox(QStringLiteral("cli.bin"));
  const CliRun r = cli({QStringLiteral("backup"), fromCli});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  QFile a(fromWindow), b(fromCli);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  const QByteArray windowBytes = a.readAll();
  EXPECT_EQ(windowBytes.size(), ConfigFileSize);
  EXPECT_EQ(b.readAll(), windowBytes);
}

// A file that assigns only the given channels (the other records name no channel).
QString configFile(const QString& name, const std::map<int, TRomCode>& channels) {
  TDynamicLogArray records(40);
  int k = 0;
  for (const auto& [channel, rom] : channels) {
    records[static_cast<std::size_t>(k)].ChannelNumber = static_cast<uint8_t>(channel);
    records[static_cast<std::size_t>(k++)].RomCode = rom;
  }
  const QString file = inSandbox(name);
  WriteConfigurationFile(file, records);
  return file;
}

TRomCode words(const gwsim::RomCode& rom) { return {rom.words[0], rom.words[1], rom.words[2], rom.words[3]}; }

TEST_F(CliE2E, RestoreWritesTheFileAndNamesTheChannelsThatDidNotTake) {
  const TRomCode boiler = words(*assignment(0));
  const TRomCode outdoor = words(*assignment(1));
  const QString swapped = configFile(QStringLiteral("swapped.bin"), {{1, outdoor}, {2, boiler}});

  // Not a terminal, no --yes: nothing is sent at all.
  const CliRun refused = cli({QStringLiteral("restore"), swapped});
  EXPECT_EQ(refused.code, 2);
  EXPECT_EQ(sim->requests(), 0);

  const CliRun done = cli({QStringLiteral("restore"), swapped, QStringLiteral("--yes")});
  ASSERT_EQ(done.code, 0) << done.err.toStdString();
  EXPECT_EQ(done.out, QStringLiteral("Channels has been overwritten.\n"));
  EXPECT_EQ(words(*assignment(0)), outdoor);
  EXPECT_EQ(words(*assignment(1)), boiler);

  // The ROM code writes of channels 2 and 4 (shown as 1 and 3) are lost on the way.
  sim->setLogHandler([this](const gwsim::LogEntry& e) {
    const bool romWrite =
        e.kind == gwsim::LogEntry::Kind::Request && e.bytes.size() > 3 && e.bytes[1] == 0x10;
    const int address = romWrite ? e.bytes[2] << 8 | e.bytes[3] : -1;
    if (address == 10 || address == 30) {
      gwsim::Faults lose;
      lose.noReply.count = 1;
      sim->setFaults(lose);
    }
  });
  const TRomCode hall = words(*assignment(2));
  const TRomCode cellar = words(*assignment(3));
  const QString back =
      configFile(QStringLiteral("back.bin"), {{1, boiler}, {2, outdoor}, {3, hall}, {4, cellar}});
  const CliRun lossy = cli({QStringLiteral("restore"), back, QStringLiteral("--yes")});
  EXPECT_EQ(lossy.code, 1);
  EXPECT_EQ(lossy.err, QStringLiteral("Channels 1, 3 do not hold the ROM codes from the file back.bin.\n"));
  EXPECT_FALSE(assignment(1));
  EXPECT_FALSE(assignment(3));
}

TEST_F(CliE2E, SearchAndChannelCommandsChangeTheGateway) {
  const CliRun found = cli({QStringLiteral("find-new"), QStringLiteral("1")});
  ASSERT_EQ(found.code, 0) << found.err.toStdString();
  const auto waiting = sim->withModel([](gwsim::GatewayModel& m) { return m.foundNew(0); });
  ASSERT_TRUE(waiting);
  const QString newRom = RomCodeToHex(words(*waiting));
  EXPECT_EQ(found.out,
            QStringLiteral("New: %1\nCommand: 0x05FF\nOperation status: OK (0xFFFF)\n").arg(newRom));

  const CliRun saved = cli({QStringLiteral("save-new"), QStringLiteral("1"), QStringLiteral("12")});
  EXPECT_EQ(saved.code, 0) << saved.err.toStdString();
  EXPECT_EQ(romText(12), newRom);
  EXPECT_TRUE(saved.out.contains(QStringLiteral("12  ") + newRom));

  // Nothing found on LINE 2: the gateway refuses, and says so.
  const CliRun refused = cli({QStringLiteral("save-new"), QStringLiteral("2"), QStringLiteral("25")});
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(refused.out.contains(QStringLiteral("Operation status: Error reading ROM code (0xEEE3)")));
  EXPECT_FALSE(assignment(25));

  EXPECT_EQ(cli({QStringLiteral("delete"), QStringLiteral("12"), QStringLiteral("--yes")}).code, 0);
  EXPECT_FALSE(assignment(12));

  const CliRun search = cli({QStringLiteral("find-new-all"), QStringLiteral("1")});
  ASSERT_EQ(search.code, 0);
  const QRegularExpression slot(QStringLiteral("\\n *\\d+  %1  Index: (\\d+)\\n").arg(newRom));
  const QRegularExpressionMatch m = slot.match(search.out);
  ASSERT_TRUE(m.hasMatch()) << search.out.toStdString();
  EXPECT_EQ(
      cli({QStringLiteral("save-found"), QStringLiteral("1"), m.captured(1), QStringLiteral("15")}).code, 0);
  EXPECT_EQ(romText(15), newRom);

  EXPECT_EQ(cli({QStringLiteral("find-all"), QStringLiteral("1")}).out.count(QStringLiteral("Index: ")), 8);

  const CliRun set = cli({QStringLiteral("set-rom"), QStringLiteral("15"),
                          QStringLiteral("28-11-22-33-44-55-66-77"), QStringLiteral("--yes")});
  EXPECT_EQ(set.code, 0) << set.err.toStdString();
  EXPECT_EQ(romText(15), QStringLiteral("2811223344556677"));
}

TEST_F(CliE2E, UpgradeGivesTheGatewayTheImageTheWindowGivesIt) {
  // The window's own run against the simulator ends with this same padded image.
  const test::Bytes image = test::makeImage(400);
  const QString file = test::writeImageFile(QStringLiteral("fw.bin"), image);
  const CliRun r = cli({QStringLiteral("upgrade"), file, QStringLiteral("--yes")});
  ASSERT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, QStringLiteral("Firmware update completed. Actual firmware version is V1.10.\n"));
  EXPECT_EQ(sim->withModel([](gwsim::GatewayModel& m) { return m.image(); }), test::paddedImage(image));
}

TEST_F(CliE2E, ExitCodesTellWhatWentWrong) {
  EXPECT_EQ(cli({}, false).code, 2);
  EXPECT_EQ(cli({QStringLiteral("--baud"), QStringLiteral("1000"), QStringLiteral("read")}).code, 2);
  EXPECT_EQ(cli({QStringLiteral("delete"), QStringLiteral("40"), QStringLiteral("--yes")}).code, 2);

  const CliRun missing = cli({QStringLiteral("--com"), QStringLiteral("250"), QStringLiteral("read")}, false);
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.err, QStringLiteral("Invalid port number (COM250)\n"));

  gwsim::Faults silent;
  silent.noReply.count = 1000;
  sim->setFaults(silent);
  const CliRun quiet = cli({QStringLiteral("read")});
  EXPECT_EQ(quiet.code, 4);
  EXPECT_TRUE(quiet.err.contains(QStringLiteral("three tries in a row"))) << quiet.err.toStdString();
  // The fourth request goes out as the third is found unanswered.
  EXPECT_GE(sim->requests(), 3);
  EXPECT_LE(sim->requests(), 4);
}

}  // namespace
