#pragma once
// The recorder's links to the main window's controls. Only the window includes this; the
// recorder itself knows nothing of the window's frames.
#include "RecorderCommands.h"
#include "uFrame_Komunikace.h"
#include "uFrame_LineTab.h"

namespace pellix {

inline RecorderLinks RecorderLinksOf(const TFrame_Komunikace* communication, const TFrame_LineTab* line1,
                                     const TFrame_LineTab* line2, QTimer* timer, QAction* startItem,
                                     QAction* stopItem, QLabel* statusPanel, FileDialogSpec* saveDialog) {
  RecorderLinks links;
  links.IsConnected = [communication] { return communication->IsConnected(); };
  links.TimeoutShown = [communication] { return communication->TimeoutShown; };
  links.CollectRecords = [line1, line2](TDynamicLogArray& records) {
    line1->CollectRecords(records);
    line2->CollectRecords(records);
  };
  links.ExportDescriptions = [line1, line2](TDynamicBackupArray& records) {
    line1->ExportDescriptions(records);
    line2->ExportDescriptions(records);
  };
  links.Timer = timer;
  links.StartItem = startItem;
  links.StopItem = stopItem;
  links.StatusPanel = statusPanel;
  links.SaveDialog = saveDialog;
  return links;
}

}  // namespace pellix
