#include "FileCommands.h"

#include "ChannelImport.h"
#include "ChannelStatus.h"
#include "CheckFileName.h"
#include "ConfigurationFile.h"
#include "DescriptionsFile.h"
#include "GWYKomunikator.h"
#include "RomCode.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <QAction>
#include <QFileInfo>
#include <algorithm>

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

void SaveConfigurationCommand(const QList<TFrame_SensorBox*>& boxes) {
  const QString fileName = AskSaveFileName(ConfigurationSaveDialog());
  if (fileName.isEmpty()) return;
  TDynamicLogArray records;
  for (const TFrame_SensorBox* box : boxes) records.push_back(box->LastRecord);
  WriteConfigurationFile(fileName, records);
}

void OpenConfigurationCommand(const QList<TFrame_SensorBox*>& boxes, const GatewayLink& gateway) {
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
  for (TFrame_SensorBox* box : boxes) box->ResetBox();
  const qsizetype n = std::min<qsizetype>(boxes.size(), static_cast<qsizetype>(content.Records.size()));
  for (qsizetype k = 0; k < n; ++k) {
    TChannelData& record = content.Records[static_cast<size_t>(k)];
    const bool free = record.Status == StatusFree || record.RomCode == RomCodeEmpty;
    record.Status = free ? StatusFree : StatusNoGateway;
    boxes[k]->UpdateFromRecord(record);
  }
}

void OpenConfigurationCommand(const QList<TFrame_SensorBox*>& boxes, TGWYKomunikator* client) {
  OpenConfigurationCommand(boxes, GatewayLink::Of(client));
}

void ShowDescriptions(bool show, TFrame_LineTab* line1, TFrame_LineTab* line2) {
  line1->ShowDescriptions(show);
  line2->ShowDescriptions(show);
}

void ShowDescriptionsCommand(QAction* item, TFrame_LineTab* line1, TFrame_LineTab* line2) {
  if (!item->isCheckable()) {
    item->setCheckable(true);
    item->setChecked(true);
  }
  ShowDescriptions(item->isChecked(), line1, line2);
}

void DeleteDescriptionsCommand(TFrame_LineTab* line1, TFrame_LineTab* line2) {
  if (!prompts().warning(QStringLiteral("All descriptions will be lost. Continue?"))) return;
  line1->ClearDescriptions();
  line2->ClearDescriptions();
}

void SaveDescriptionsCommand(const TFrame_LineTab* line1, const TFrame_LineTab* line2) {
  const QString fileName = AskSaveFileName(DescriptionsSaveDialog());
  if (fileName.isEmpty()) return;
  TDynamicBackupArray records;
  line1->ExportDescriptions(records);
  line2->ExportDescriptions(records);
  WriteDescriptionsFile(fileName, records);
}

void LoadDescriptionsCommand(TFrame_LineTab* line1, TFrame_LineTab* line2, bool numberFromOne) {
  const QString fileName = AskOpenFileName(DescriptionsOpenDialog());
  if (fileName.isEmpty()) return;
  const DescriptionsContent content = ParseDescriptions(ReadDescriptionsLines(fileName), numberFromOne);
  if (!content.Valid) {
    prompts().error(ErrorReadingFile);
    return;
  }
  line1->ApplyDescriptions(content.Line1);
  line2->ApplyDescriptions(content.Line2);
}

}  // namespace pellix
