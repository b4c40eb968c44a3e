#pragma once
// The port list box: the COM ports of the machine, probed free/busy/absent.
#include <QComboBox>

class TAfComPort;

enum TAfPortCtlOption : unsigned {
  pcCheckExist = 1u << 0,
  pcDisableOpen = 1u << 1,
  pcHighlightOpen = 1u << 2,
};
using TAfPortCtlOptions = unsigned;  // set of TAfPortCtlOption

class TAfPortComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TAfPortComboBox(QWidget* parent = nullptr);

  int MaxComPorts() const { return maxComPorts_; }
  void SetMaxComPorts(int value);  // refreshes
  TAfPortCtlOptions Options() const { return options_; }
  void SetOptions(TAfPortCtlOptions value);  // refreshes
  TAfComPort* ComPort() const { return comPort_; }
  void SetComPort(TAfComPort* port) { comPort_ = port; }
  int SelectedComNumber() const { return selectedComNumber_; }
  void SetSelectedComNumber(int value);  // reselects when it differs
  void RefreshPorts();
  // Text colour of entry `index` in the dropped-down list.
  QColor EntryTextColour(int index) const;

  // Item data roles: the COM number and its probed state (pellix::PortState as int).
  // Each entry's tooltip and status tip say which device it is.
  static constexpr int ComNumberRole = Qt::UserRole + 1;
  static constexpr int PortStateRole = Qt::UserRole + 2;

  // Opening the list puts the selected entry's device into the status bar.
  void showPopup() override;

 private:
  void Reselect();
  void UpdateToolTip();
  void ShowStatusLine(int index);
  void OnActivated(int index);

  int maxComPorts_ = 4;
  TAfPortCtlOptions options_ = pcCheckExist;
  TAfComPort* comPort_ = nullptr;
  int selectedComNumber_ = 0;
};

namespace pellix {
// Installs the busy cursor shown while a port opens (a QGuiApplication's override
// cursor). Every TAfPortComboBox installs it; an application without one calls this.
void installBusyCursor();
}  // namespace pellix
