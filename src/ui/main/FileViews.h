#pragma once
// The file commands' links to the window's channel boxes and line views. Only the window
// (and the tests that drive the commands on real frames) include this.
#include "FileCommands.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <QList>

#include <algorithm>

namespace pellix {

inline ChannelBoxViews ChannelBoxViewsOf(const QList<TFrame_SensorBox*>& boxes) {
  ChannelBoxViews views;
  views.LastRecords = [boxes] {
    TDynamicLogArray records;
    for (const TFrame_SensorBox* box : boxes) records.push_back(box->LastRecord);
    return records;
  };
  views.ShowRecords = [boxes](const TDynamicLogArray& records) {
    for (TFrame_SensorBox* box : boxes) box->ResetBox();
    const qsizetype n = std::min<qsizetype>(boxes.size(), static_cast<qsizetype>(records.size()));
    for (qsizetype k = 0; k < n; ++k) boxes[k]->UpdateFromRecord(records[static_cast<size_t>(k)]);
  };
  return views;
}

inline DescriptionViews DescriptionViewsOf(TFrame_LineTab* line1, TFrame_LineTab* line2) {
  DescriptionViews views;
  views.Show = [line1, line2](bool show) {
    line1->ShowDescriptions(show);
    line2->ShowDescriptions(show);
  };
  views.Clear = [line1, line2] {
    line1->ClearDescriptions();
    line2->ClearDescriptions();
  };
  views.Export = [line1, line2](TDynamicBackupArray& records) {
    line1->ExportDescriptions(records);
    line2->ExportDescriptions(records);
  };
  views.Apply = [line1, line2](const TDynamicBackupArray& first, const TDynamicBackupArray& second) {
    line1->ApplyDescriptions(first);
    line2->ApplyDescriptions(second);
  };
  return views;
}

}  // namespace pellix
