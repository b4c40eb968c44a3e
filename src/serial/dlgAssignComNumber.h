#pragma once
// "Assign COM number…": links a serial adapter to a fixed COM number in the ports
// folder, lists the numbers assigned so far and removes one. /dev stays untouched.
#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

class TdlgAssignComNumber : public QDialog {
  Q_OBJECT
 public:
  // Offers the free numbers 1..maxComNumber (the port list's range).
  explicit TdlgAssignComNumber(int maxComNumber, QWidget* parent = nullptr);

  QLabel* Label_Folder;
  QListWidget* Lb_Assignments;
  QPushButton* Button_Remove;
  QComboBox* ComboBox_Adapter;  // editable: a device path may be typed in
  QComboBox* ComboBox_ComNumber;
  QPushButton* Button_Assign;
  QPushButton* Button_Close;

  void Button_AssignClick();
  void Button_RemoveClick();
  // Reads the ports folder, the adapters and the free numbers again.
  void Refill();

  // The path the adapter box stands for: the picked adapter, or what was typed.
  QString AdapterPath() const;

 private:
  int maxComNumber_;
};
