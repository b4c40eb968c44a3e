#pragma once
// The commands of the File menu (configuration backup) and of the Descriptions menu.
// Each takes what it works on, so the main window's handlers are one call each.
#include "ChannelData.h"
#include "ChannelsNumbering.h"
#include "Prompts.h"

#include <QList>
#include <QString>
#include <functional>

class QAction;
class TFrame_LineTab;
class TFrame_SensorBox;
class TGWYKomunikator;

namespace pellix {

// What opening a configuration needs of the gateway client.
struct GatewayLink {
  std::function<bool()> IsActive;
  std::function<void(const TDynamicLogArray& records, const QString& fileName)> WriteChannelsFromFile;

  // A null client is never connected.
  static GatewayLink Of(TGWYKomunikator* client);
};

FileDialogSpec ConfigurationSaveDialog();
FileDialogSpec ConfigurationOpenDialog();
FileDialogSpec DescriptionsSaveDialog();
FileDialogSpec DescriptionsOpenDialog();

// "Save to File": the boxes' last records, in box order, into a new or rewritten file.
void SaveConfigurationCommand(const QList<TFrame_SensorBox*>& boxes);

// "Open": a connected gateway gets the file's channels after the operator confirms;
// otherwise the boxes show them offline (status 254).
void OpenConfigurationCommand(const QList<TFrame_SensorBox*>& boxes, const GatewayLink& gateway);
void OpenConfigurationCommand(const QList<TFrame_SensorBox*>& boxes, TGWYKomunikator* client);

// Both views show descriptions (true) or ROM codes.
void ShowDescriptions(bool show, TFrame_LineTab* line1, TFrame_LineTab* line2);
// "Show", run from the item's triggered(): a checkable item has toggled its mark by then;
// a plain one is made checkable and marked. The views follow the mark.
void ShowDescriptionsCommand(QAction* item, TFrame_LineTab* line1, TFrame_LineTab* line2);

// "Delete": all 40 descriptions become empty once the operator agrees.
void DeleteDescriptionsCommand(TFrame_LineTab* line1, TFrame_LineTab* line2);

// "Save to File" of the Descriptions menu.
void SaveDescriptionsCommand(const TFrame_LineTab* line1, const TFrame_LineTab* line2);

// "Load from File": every channel gets the description the file gives it, or "[not found]".
void LoadDescriptionsCommand(TFrame_LineTab* line1, TFrame_LineTab* line2,
                             bool numberFromOne = ChannelsNumbering);

}  // namespace pellix
