#include "FileCommands.h"

#include "ChannelImport.h"
#include "ChannelStatus.h"
#include "CheckFileName.h"
#include "ConfigurationFile.h"
#include "DescriptionsFile.h"
#include "GWYKomunikator.h"
#include "RomCode.h"

#include <QAction>
#include <QFileInfo>

namespace pellix {
namespace {

const QString ErrorReadingFile = QStringLiteral("Error reading file.");

}  // namespace

GatewayLink GatewayLink::Of(TGWYKomunikator* client) {
  if (!client) return {[] { return false; }, [](const TDynamicLogArray&, const QString&) {}};
  return {[client] { return client->IsActive(); },
          [client](const TDynamicLogArray& records, const QString& fileName) {
            client->WriteChannelsFromFile(records, fileName);
          }};
}

FileDialogSpec ConfigurationSaveDialog() {
  return {QStringLiteral("Save to File"),
          QStringLiteral("Binary files (*.bin)|*.BIN"),
          QStringLiteral("bin"),
          {}};
}

FileDialogSpec ConfigurationOpenDialog() {
  return {
      QStringLiteral("Open File"), QStringLiteral("Binary files (*.bin)|*.BIN"), QStringLiteral("bin"), {}};
}

FileDialogSpec DescriptionsSaveDialog() {
  return {
      QStringLiteral("Save to File"), QStringLiteral("Text files (*.txt)|*.TXT"), QStringLiteral("txt"), {}};
}

FileDialogSpec DescriptionsOpenDialog() {
  return {QStringLiteral("Open File"),
          QStringLiteral("Text files (*.txt)|*.TXT|All files (*.*)|*.*"),
          QStringLiteral("txt"),
          {}};
}

void SaveConfigurationCommand(const ChannelBoxViews& boxes) {
  const QString fileName = AskSaveFileName(ConfigurationSaveDialog());
  if (fileName.isEmpty()) return;
  WriteConfigurationFile(fileName, boxes.LastRecords());
}

void OpenConfigurationCommand(const ChannelBoxViews& boxes, const GatewayLink& gateway) {
  const QString fileName = AskOpenFileName(ConfigurationOpenDialog());
  if (fileName.isEmpty()) return;
  ConfigurationContent content = ReadConfigurationFile(fileName);
  if (!content.Valid) {
    prompts().error(ErrorReadingFile);
    return;
  }
  const QString shortName = QFileInfo(fileName).fileName();
  if (gateway.IsActive && gateway.IsActive()) {
    // Told before the question: such a file would overwrite nothing.
    if (ImportedAssignments(content.Records).empty()) {
      prompts().information(ImportNothingText(shortName));
      return;
    }
    if (!prompts().confirmation(
            QStringLiteral("The gateway configuration will be overwritten by the file %1?").arg(shortName),
            ConfirmButtons::OkCancel))
      return;
    if (gateway.WriteChannelsFromFile) gateway.WriteChannelsFromFile(content.Records, shortName);
    return;
  }
  // Only the file from now on: what the gateway reported earlier would pass for the
  // file's content, and a free channel of the file shows empty.
  for (TChannelData& record : content.Records) {
    const bool free = record.Status == StatusFree || record.RomCode == RomCodeEmpty;
    record.Status = free ? StatusFree : StatusNoGateway;
  }
  boxes.ShowRecords(content.Records);
}

void OpenConfigurationCommand(const ChannelBoxViews& boxes, TGWYKomunikator* client) {
  OpenConfigurationCommand(boxes, GatewayLink::Of(client));
}

void ShowDescriptionsCommand(QAction* item, const DescriptionViews& lines) {
  if (!item->isCheckable()) {
    item->setCheckable(true);
    item->setChecked(true);
  }
  lines.Show(item->isChecked());
}

void DeleteDescriptionsCommand(const DescriptionViews& lines) {
  if (!prompts().warning(QStringLiteral("All descriptions will be lost. Continue?"))) return;
  lines.Clear();
}

void SaveDescriptionsCommand(const DescriptionViews& lines) {
  const QString fileName = AskSaveFileName(DescriptionsSaveDialog());
  if (fileName.isEmpty()) return;
  TDynamicBackupArray records;
  lines.Export(records);
  WriteDescriptionsFile(fileName, records);
}

void LoadDescriptionsCommand(const DescriptionViews& lines, bool numberFromOne) {
  const QString fileName = AskOpenFileName(DescriptionsOpenDialog());
  if (fileName.isEmpty()) return;
  const DescriptionsContent content = ParseDescriptions(ReadDescriptionsLines(fileName), numberFromOne);
  if (!content.Valid) {
    prompts().error(ErrorReadingFile);
    return;
  }
  lines.Apply(content.Line1, content.Line2);
}

}  // namespace pellix
