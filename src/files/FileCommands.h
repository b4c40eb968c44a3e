#pragma once
// The commands of the File menu (configuration backup) and of the Descriptions menu.
// Each takes what it works on, so the main window's handlers are one call each.
#include "ChannelData.h"
#include "ChannelsNumbering.h"
#include "Prompts.h"

#include <QString>
#include <functional>

class QAction;
class TGWYKomunikator;

namespace pellix {

// What opening a configuration needs of the gateway client.
struct GatewayLink {
  std::function<bool()> IsActive;
  std::function<void(const TDynamicLogArray& records, const QString& fileName)> WriteChannelsFromFile;

  // A null client is never connected.
  static GatewayLink Of(TGWYKomunikator* client);
};

// What the configuration commands need of the window's 40 channel boxes (in box order).
struct ChannelBoxViews {
  std::function<TDynamicLogArray()> LastRecords;
  // Every box is reset, then the first boxes show these records.
  std::function<void(const TDynamicLogArray& records)> ShowRecords;
};

// What the Descriptions commands need of the two line views.
struct DescriptionViews {
  std::function<void(bool show)> Show;
  std::function<void()> Clear;
  std::function<void(TDynamicBackupArray& records)> Export;  // LINE 1's 20, then LINE 2's
  std::function<void(const TDynamicBackupArray& line1, const TDynamicBackupArray& line2)> Apply;
};

FileDialogSpec ConfigurationSaveDialog();
FileDialogSpec ConfigurationOpenDialog();
FileDialogSpec DescriptionsSaveDialog();
FileDialogSpec DescriptionsOpenDialog();

// "Save to File": the boxes' last records, in box order, into a new or rewritten file.
void SaveConfigurationCommand(const ChannelBoxViews& boxes);

// "Open": a connected gateway gets the file's channels after the operator confirms;
// otherwise the boxes show them offline (status 254).
void OpenConfigurationCommand(const ChannelBoxViews& boxes, const GatewayLink& gateway);
void OpenConfigurationCommand(const ChannelBoxViews& boxes, TGWYKomunikator* client);

// "Show", run from the item's triggered(): a checkable item has toggled its mark by then;
// a plain one is made checkable and marked. The views follow the mark.
void ShowDescriptionsCommand(QAction* item, const DescriptionViews& lines);

// "Delete": all 40 descriptions become empty once the operator agrees.
void DeleteDescriptionsCommand(const DescriptionViews& lines);

// "Save to File" of the Descriptions menu.
void SaveDescriptionsCommand(const DescriptionViews& lines);

// "Load from File": every channel gets the description the file gives it, or "[not found]".
void LoadDescriptionsCommand(const DescriptionViews& lines, bool numberFromOne = ChannelsNumbering);

}  // namespace pellix
