#include "AfComPort.h"
#include "ChannelStatus.h"
#include "ConfigurationFile.h"
#include "FileViews.h"
#include "FilesTestUtil.h"
#include "GWYKomunikator.h"
#include "InOutError.h"
#include "RomCode.h"
#include "TestSupport.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QPalette>

#include <sys/stat.h>
#include <functional>

using namespace pellix;
using files_test::readAll;
using files_test::writeAll;
using pellix::test::scriptedPrompts;

namespace {

TChannelData Good(int channel) {
  TChannelData r;
  r.ChannelNumber = static_cast<uint8_t>(channel);
  r.RomCode = {0x28AA, 0x0001, 0x0002, static_cast<uint16_t>(channel)};
  r.Values = {static_cast<uint16_t>(200 + channel), 0, 0, 0, 0};
  r.Status = 0;
  return r;
}

// The two line views as the main window has them, and a gateway that records imports.
class FileCommandsTest : public ::testing::Test {
 public:
  void SetUp() override {
    TFrame_SensorBox::ResetCreationCounter();
    TFrame_LineTab::ResetCreationCounter();
    line1 = new TFrame_LineTab(&parent);
    line2 = new TFrame_LineTab(&parent);
    line1->AppendBoxes(boxes);
    line2->AppendBoxes(boxes);
    gateway.IsActive = [this] { return connected; };
    gateway.WriteChannelsFromFile = [this](const TDynamicLogArray& records, const QString& name) {
      imported.push_back({records, name});
    };
  }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }

  void ReceiveAll() {
    for (int c = 1; c <= 40; ++c) boxes[c - 1]->UpdateFromRecord(Good(c));
  }

  // Scripts the open dialog answering with path and the prompts that follow, then runs Open.
  void Open(const QString& path, std::vector<std::pair<PromptKind, bool>> then = {}) {
    scriptedPrompts().expect(PromptKind::OpenFile, true, path);
    for (const auto& [kind, accept] : then) scriptedPrompts().expect(kind, accept);
    OpenConfigurationCommand(boxViews(), gateway);
  }

  ChannelBoxViews boxViews() const { return ChannelBoxViewsOf(boxes); }
  DescriptionViews lines() const { return DescriptionViewsOf(line1, line2); }

  QWidget parent;
  TFrame_LineTab* line1 = nullptr;
  TFrame_LineTab* line2 = nullptr;
  QList<TFrame_SensorBox*> boxes;
  GatewayLink gateway;
  bool connected = false;
  std::vector<std::pair<TDynamicLogArray, QString>> imported;
  files_test::Folder dir;
};

TEST_F(FileCommandsTest, SavingBeforeAnythingArrivedWritesZeroRecordsThatShowNothing) {
  const QString path = dir.path("empty.bin");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  SaveConfigurationCommand(boxViews());
  const QByteArray bytes = readAll(path);
  ASSERT_EQ(bytes.size(), 902);
  EXPECT_EQ(bytes.mid(10, 6), QByteArray::fromHex("52B20331F8F3"));
  EXPECT_EQ(bytes.mid(22), QByteArray(880, '\0'));

  Open(path);
  for (const TFrame_SensorBox* box : boxes) {
    EXPECT_TRUE(box->Label_ROMCode->text().isEmpty());
    EXPECT_TRUE(box->Label_Value1->text().isEmpty());
    EXPECT_EQ(box->BackgroundColour(), BoxWhite);
  }
  EXPECT_TRUE(imported.empty());
}

TEST_F(FileCommandsTest, OfflineOpenShowsSavedChannelsWithoutStatusOnNeutral) {
  ReceiveAll();
  QStringList values;
  for (const TFrame_SensorBox* box : boxes) values << box->Label_Value1->text();
  const QString path = dir.path("backup.bin");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  SaveConfigurationCommand(boxViews());
  line1->ResetLine();
  line2->ResetLine();

  Open(path);
  const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
  for (int k = 0; k < 40; ++k) {
    const TFrame_SensorBox* box = boxes[k];
    EXPECT_EQ(box->Label_ROMCode->text(), RomCodeToHex(Good(k + 1).RomCode)) << k;
    EXPECT_EQ(box->Label_Value1->text(), values[k]) << k;
    EXPECT_TRUE(box->Label_Error->text().isEmpty()) << k;
    EXPECT_EQ(box->BackgroundColour(), buttonFace) << k;
    EXPECT_EQ(box->LastRecord.Status, 254) << k;
  }
  EXPECT_TRUE(imported.empty());
}

// Neither the gateway's earlier data nor a file's free channel passes for a device.
TEST_F(FileCommandsTest, OfflineOpenShowsTheFileOnlyWithFreeChannelsEmpty) {
  ReceiveAll();
  TDynamicLogArray records(40);  // all zero: channels that were never received
  records[0] = Good(1);
  records[2] = Good(3);
  records[2].RomCode = RomCodeEmpty;
  records[2].Status = StatusFree;
  const QString path = dir.path("partial.bin");
  WriteConfigurationFile(path, records);
  Open(path);
  EXPECT_EQ(boxes[0]->Label_ROMCode->text(), RomCodeToHex(Good(1).RomCode));
  for (int k : {2, 3}) {
    EXPECT_TRUE(boxes[k]->Label_ROMCode->text().isEmpty()) << k;
    EXPECT_TRUE(boxes[k]->Label_Value1->text().isEmpty()) << k;
    EXPECT_EQ(boxes[k]->BackgroundColour(), BoxWhite) << k;
    EXPECT_EQ(boxes[k]->RomCodeText(), "0000000000000000") << k;
  }
}

TEST_F(FileCommandsTest, FileThatAssignsNoChannelIsToldAndNothingIsAsked) {
  const QString path = dir.path("none.bin");
  WriteConfigurationFile(path, TDynamicLogArray(40));
  connected = true;
  Open(path, {{PromptKind::Information, true}});
  EXPECT_EQ(
      scriptedPrompts().texts(PromptKind::Information),
      std::vector<QString>{"The file none.bin assigns no channel. Nothing has been written to the gateway."});
  EXPECT_TRUE(imported.empty());
}

TEST_F(FileCommandsTest, ClientThatIsNotConnectedGivesTheOfflineView) {
  const QString path = dir.path("one.bin");
  TDynamicLogArray records(40);
  records[2] = Good(3);
  WriteConfigurationFile(path, records);
  TAfComPort port;
  TGWYKomunikator client(port);
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  OpenConfigurationCommand(boxViews(), &client);
  EXPECT_EQ(boxes[2]->Label_ROMCode->text(), RomCodeToHex(Good(3).RomCode));
  EXPECT_TRUE(boxes[3]->Label_ROMCode->text().isEmpty());
}

class ConnectedOpen : public FileCommandsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConnectedOpen, WritesTheGatewayOnlyAfterOk) {
  const bool ok = GetParam();
  ReceiveAll();
  const QString path = dir.path("site A.bin");
  TDynamicLogArray records;
  for (int c = 1; c <= 40; ++c) records.push_back(Good(41 - c));
  WriteConfigurationFile(path, records);
  connected = true;
  Open(path, {{PromptKind::Confirmation, ok}});
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Confirmation),
            std::vector<QString>{"The gateway configuration will be overwritten by the file site A.bin?"});
  if (ok) {
    ASSERT_EQ(imported.size(), 1u);
    EXPECT_EQ(imported[0].second, "site A.bin");
    ASSERT_EQ(imported[0].first.size(), 40u);
    for (int k = 0; k < 40; ++k) EXPECT_EQ(imported[0].first[k].ChannelNumber, 40 - k);
  } else {
    EXPECT_TRUE(imported.empty());
  }
  // Connected, the boxes wait for the gateway.
  EXPECT_EQ(boxes[0]->LastRecord.RomCode, Good(1).RomCode);
  EXPECT_EQ(boxes[0]->LastRecord.Status, 0);
}

INSTANTIATE_TEST_SUITE_P(OkOrCancel, ConnectedOpen, ::testing::Bool());

// A broken file: header flip or wrong length.
class InvalidOpen : public FileCommandsTest, public ::testing::WithParamInterface<int> {};

TEST_P(InvalidOpen, ErrorReadingFileAndNothingChanges) {
  ReceiveAll();
  TDynamicLogArray records;
  for (int c = 1; c <= 40; ++c) records.push_back(Good(c));
  QByteArray bytes = EncodeConfiguration(records);
  const int length = GetParam();
  if (length == 0)
    bytes[10] = 0;
  else
    bytes = length < bytes.size() ? bytes.left(length) : bytes + EncodeChannelRecord(Good(1));
  const QString path = dir.path("bad.bin");
  writeAll(path, bytes);
  connected = true;
  Open(path, {{PromptKind::Error, true}});
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error), std::vector<QString>{"Error reading file."});
  EXPECT_TRUE(imported.empty());
  connected = false;
  Open(path, {{PromptKind::Error, true}});
  EXPECT_EQ(boxes[0]->LastRecord.Status, 0);
  EXPECT_FALSE(boxes[0]->Label_Error->text().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(MagicOrLength, InvalidOpen, ::testing::Values(0, 880, 924));

TEST_F(FileCommandsTest, FileShorterThanARecordIsAnInputOutputErrorAndSendsNothing) {
  const QString path = dir.path("tiny.bin");
  writeAll(path, "PLX");
  connected = true;
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  EXPECT_THROW(OpenConfigurationCommand(boxViews(), gateway), InOutError);
  EXPECT_TRUE(imported.empty());
}

TEST_F(FileCommandsTest, NameWithQuestionMarkIsRefusedAndTheDialogComesBack) {
  auto& p = scriptedPrompts();
  p.expect(PromptKind::OpenFile, true, dir.path("z?loha.bin"));
  p.expect(PromptKind::Information);
  p.expect(PromptKind::OpenFile, false);
  OpenConfigurationCommand(boxViews(), gateway);
  EXPECT_EQ(p.records().size(), 3u);
  EXPECT_TRUE(p.texts(PromptKind::Information)[0].startsWith("The file name "));
}

// Opening a pipe would block the window until something writes to it: the name is
// refused before that and the dialog comes back, for either file and for saving.
TEST_F(FileCommandsTest, PipeIsRefusedBeforeOpeningAndTheDialogComesBack) {
  const QString fifo = dir.path("pipe.bin");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  const std::pair<PromptKind, std::function<void()>> commands[] = {
      {PromptKind::OpenFile, [&] { OpenConfigurationCommand(boxViews(), gateway); }},
      {PromptKind::OpenFile, [&] { LoadDescriptionsCommand(lines()); }},
      {PromptKind::SaveFile, [&] { SaveConfigurationCommand(boxViews()); }},
  };
  for (const auto& [dialog, command] : commands) {
    auto& p = scriptedPrompts();
    p.clearRecords();
    p.expect(dialog, true, fifo);
    p.expect(PromptKind::Information);
    p.expect(dialog, false);
    command();
    EXPECT_EQ(p.texts(PromptKind::Information), std::vector<QString>{fifo + " is not a regular file."});
  }
  EXPECT_TRUE(imported.empty());
}

TEST_F(FileCommandsTest, NoToRewriteReturnsToTheDialogAndLeavesTheFile) {
  const QString path = dir.path("old.bin");
  writeAll(path, "precious");
  ReceiveAll();
  auto& p = scriptedPrompts();
  p.expect(PromptKind::SaveFile, true, path);
  p.expect(PromptKind::Warning, false);
  p.expect(PromptKind::SaveFile, false);
  SaveConfigurationCommand(boxViews());
  EXPECT_EQ(readAll(path), "precious");
  EXPECT_EQ(p.texts(PromptKind::SaveFile).size(), 2u);
}

// Each command's dialog: title and filter.
struct DialogCase {
  const char* name;
  PromptKind kind;
  std::function<void(FileCommandsTest&)> run;
  const char* title;
  const char* filter;
};

class CommandDialogs : public FileCommandsTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(CommandDialogs, TitleAndFilterAndAnEmptyName) {
  scriptedPrompts().expect(GetParam().kind, false);
  GetParam().run(*this);
  const auto& r = scriptedPrompts().records().at(0);
  EXPECT_EQ(r.caption, GetParam().title);
  EXPECT_EQ(r.text, GetParam().filter);
  EXPECT_TRUE(r.value.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandDialogs,
    ::testing::Values(DialogCase{"Export", PromptKind::SaveFile,
                                 [](FileCommandsTest& f) { SaveConfigurationCommand(f.boxViews()); },
                                 "Save to File", "Binary files (*.bin)|*.BIN"},
                      DialogCase{
                          "Import", PromptKind::OpenFile,
                          [](FileCommandsTest& f) { OpenConfigurationCommand(f.boxViews(), f.gateway); },
                          "Open File", "Binary files (*.bin)|*.BIN"},
                      DialogCase{"SaveDescriptions", PromptKind::SaveFile,
                                 [](FileCommandsTest& f) { SaveDescriptionsCommand(f.lines()); },
                                 "Save to File", "Text files (*.txt)|*.TXT"},
                      DialogCase{"LoadDescriptions", PromptKind::OpenFile,
                                 [](FileCommandsTest& f) { LoadDescriptionsCommand(f.lines()); }, "Open File",
                                 "Text files (*.txt)|*.TXT|All files (*.*)|*.*"}),
    [](const auto& info) { return std::string(info.param.name); });

// Descriptions.

TEST_F(FileCommandsTest, DescriptionsRoundTripThroughAFile) {
  QLocale::setDefault(QLocale(QLocale::Czech));  // Windows-1250: "č" is the byte 0xE8
  ReceiveAll();
  for (int k = 0; k < 40; ++k)
    if (k % 3 != 1) boxes[k]->SetDescription(QStringLiteral("Room %1 \u00B0C").arg(k));
  boxes[7]->SetDescription(QString::fromUtf8("Kotel \u010D.1"));
  const QString path = dir.path("descr.txt");
  scriptedPrompts().expect(PromptKind::SaveFile, true, path);
  SaveDescriptionsCommand(lines());
  QStringList saved;
  for (const TFrame_SensorBox* box : boxes) saved << box->Description;

  const QByteArray bytes = readAll(path);
  EXPECT_TRUE(bytes.contains("\tKotel \xE8.1\r\n"));
  EXPECT_TRUE(
      bytes.contains("\r\n0\t28AA000100020001\tRoom 0 \xB0"
                     "C\r\n1\t28AA000100020002\t\r\n"));
  EXPECT_TRUE(
      bytes.endsWith("\tRoom 39 \xB0"
                     "C\r\n"));

  for (TFrame_SensorBox* box : boxes) box->SetDescription("changed");
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  LoadDescriptionsCommand(lines());
  for (int k = 0; k < 40; ++k) EXPECT_EQ(boxes[k]->Description, saved[k]) << k;
}

TEST_F(FileCommandsTest, OnlyTheChannelsTheFileNamesGetDescriptions) {
  const QString path = dir.path("boiler.txt");
  writeAll(path,
           "Pellix Tool\r\n5\tanything\tBoiler\r\n6\tR\tfour\tfields\r\n40\tR\tAbove\r\n"
           "x\tR\tNot a number\r\n-2\tR\tBelow\r\n3\tR\t" +
               QByteArray(35, 'd') + "\r\n");
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  LoadDescriptionsCommand(lines());
  for (int k = 0; k < 40; ++k) {
    const QString expected = k == 5 ? "Boiler" : k == 3 ? QString(30, 'd') : "[not found]";
    EXPECT_EQ(boxes[k]->Description, expected) << k;
  }
}

TEST_F(FileCommandsTest, NumberingFromOneSelectsByTheNumberShown) {
  for (TFrame_SensorBox* box : boxes) box->NumberFromOne = true;
  const QString path = dir.path("one.txt");
  writeAll(path, "Pellix Tool\r\n1\tR\tFirst\r\n40\tR\tLast\r\n0\tR\tBelow\r\n");
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  LoadDescriptionsCommand(lines(), true);
  EXPECT_EQ(boxes[0]->Description, "First");
  EXPECT_EQ(boxes[39]->Description, "Last");
  EXPECT_EQ(boxes[1]->Description, "[not found]");
}

TEST_F(FileCommandsTest, FileWithoutTheProductOnLineOneChangesNothing) {
  const QString path = dir.path("other.txt");
  writeAll(path, "Gateway channel configuration\r\nPellix Tool\r\n5\tR\tBoiler\r\n");
  boxes[5]->SetDescription("kept");
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  scriptedPrompts().expect(PromptKind::Error);
  LoadDescriptionsCommand(lines());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error), std::vector<QString>{"Error reading file."});
  EXPECT_EQ(boxes[5]->Description, "kept");
  EXPECT_TRUE(boxes[6]->Description.isEmpty());
}

TEST_F(FileCommandsTest, EmptyDescriptionsFileIsAnErrorAndKeepsDescriptions) {
  const QString path = dir.path("empty.txt");
  writeAll(path, {});
  boxes[0]->SetDescription("kept");
  scriptedPrompts().expect(PromptKind::OpenFile, true, path);
  EXPECT_THROW(LoadDescriptionsCommand(lines()), InOutError);
  EXPECT_EQ(boxes[0]->Description, "kept");
}

class DeleteDescriptions : public FileCommandsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DeleteDescriptions, OnlyYesClearsAllAndTheShowStateStays) {
  const bool yes = GetParam();
  lines().Show(true);
  for (int k = 0; k < 40; ++k) boxes[k]->SetDescription(QString::number(k));
  scriptedPrompts().expect(PromptKind::Warning, yes);
  DeleteDescriptionsCommand(lines());
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Warning),
            std::vector<QString>{"All descriptions will be lost. Continue?"});
  for (int k = 0; k < 40; ++k) {
    EXPECT_EQ(boxes[k]->Description, yes ? QString() : QString::number(k));
    EXPECT_TRUE(boxes[k]->ShowDescription);
  }
}

INSTANTIATE_TEST_SUITE_P(YesOrNo, DeleteDescriptions, ::testing::Bool());

TEST_F(FileCommandsTest, ShowTogglesTheMarkAndBothViews) {
  QAction item("Show");
  QObject::connect(&item, &QAction::triggered, [&] { ShowDescriptionsCommand(&item, lines()); });
  for (const bool expected : {true, false, true}) {
    item.trigger();
    EXPECT_EQ(item.isChecked(), expected);
    for (const TFrame_SensorBox* box : boxes) EXPECT_EQ(box->ShowDescription, expected);
  }
}

}  // namespace
