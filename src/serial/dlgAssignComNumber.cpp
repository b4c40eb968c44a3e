#include "dlgAssignComNumber.h"

#include "ComNumbers.h"
#include "PortAssignments.h"
#include "PortsFolder.h"
#include "Prompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QLatin1String(name));
  return w;
}

// The number offered first: a free one whose default device is not there either.
int suggestedIndex(const QComboBox* numbers) {
  for (int i = 0; i < numbers->count(); ++i) {
    const QString path = pellix::comDevicePath(numbers->itemData(i).toInt());
    struct stat st {};
    if (path.isEmpty() || ::stat(path.toLocal8Bit().constData(), &st) != 0) return i;
  }
  return 0;
}

}  // namespace

TdlgAssignComNumber::TdlgAssignComNumber(int maxComNumber, QWidget* parent)
    : QDialog(parent), maxComNumber_(maxComNumber) {
  setObjectName(QStringLiteral("dlgAssignComNumber"));
  setWindowTitle(QStringLiteral("Assign COM number"));

  Label_Folder = named(new QLabel(this), "Label_Folder");
  Label_Folder->setWordWrap(true);
  Label_Folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* assigned = new QGroupBox(QStringLiteral("Assigned"), this);
  Lb_Assignments = named(new QListWidget(assigned), "Lb_Assignments");
  Button_Remove = named(new QPushButton(QStringLiteral("Remove"), assigned), "Button_Remove");
  auto* assignedLayout = new QVBoxLayout(assigned);
  assignedLayout->addWidget(Lb_Assignments);
  auto* removeRow = new QHBoxLayout;
  removeRow->addStretch();
  removeRow->addWidget(Button_Remove);
  assignedLayout->addLayout(removeRow);

  auto* fresh = new QGroupBox(QStringLiteral("New assignment"), this);
  ComboBox_Adapter = named(new QComboBox(fresh), "ComboBox_Adapter");
  ComboBox_Adapter->setEditable(true);
  ComboBox_Adapter->setInsertPolicy(QComboBox::NoInsert);
  ComboBox_Adapter->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboBox_Adapter->setMinimumContentsLength(64);  // a by-id name and its device
  ComboBox_Adapter->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
  ComboBox_ComNumber = named(new QComboBox(fresh), "ComboBox_ComNumber");
  ComboBox_ComNumber->setMaxVisibleItems(20);
  Button_Assign = named(new QPushButton(QStringLiteral("Assign"), fresh), "Button_Assign");
  auto* form = new QFormLayout(fresh);
  form->addRow(QStringLiteral("Adapter:"), ComboBox_Adapter);
  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(ComboBox_ComNumber);
  numberRow->addStretch();
  numberRow->addWidget(Button_Assign);
  form->addRow(QStringLiteral("COM number:"), numberRow);

  auto* buttons = new QDialogButtonBox(this);
  Button_Close =
      named(buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole), "Button_Close");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label_Folder);
  layout->addWidget(assigned, 1);
  layout->addWidget(fresh);
  layout->addWidget(buttons);

  connect(Button_Assign, &QPushButton::clicked, this, [this] { Button_AssignClick(); });
  connect(Button_Remove, &QPushButton::clicked, this, [this] { Button_RemoveClick(); });
  connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);
  connect(Lb_Assignments, &QListWidget::currentRowChanged, this,
          [this](int row) { Button_Remove->setEnabled(row >= 0); });
  Refill();
}

void TdlgAssignComNumber::Refill() {
  Label_Folder->setText(
      QStringLiteral("Each COM number below is a link in the ports folder %1.").arg(pellix::portsFolder()));
  Lb_Assignments->clear();
  for (const pellix::ComAssignment& a : pellix::comAssignments()) {
    auto* item = new QListWidgetItem(a.text, Lb_Assignments);
    item->setData(Qt::UserRole, a.comNumber);
    item->setToolTip(a.text);
  }
  Button_Remove->setEnabled(false);

  const QString typed = ComboBox_Adapter->currentText();
  ComboBox_Adapter->clear();
  for (const pellix::SerialAdapter& a : pellix::serialAdapters()) ComboBox_Adapter->addItem(a.text, a.path);
  if (ComboBox_Adapter->count() == 0) ComboBox_Adapter->setEditText(typed);
  ComboBox_Adapter->lineEdit()->setCursorPosition(0);  // the maker's name first

  ComboBox_ComNumber->clear();
  for (int n : pellix::freeComNumbers(maxComNumber_))
    ComboBox_ComNumber->addItem(QStringLiteral("COM %1").arg(n), n);
  ComboBox_ComNumber->setCurrentIndex(suggestedIndex(ComboBox_ComNumber));
}

QString TdlgAssignComNumber::AdapterPath() const {
  const int index = ComboBox_Adapter->currentIndex();
  if (index >= 0 && ComboBox_Adapter->currentText() == ComboBox_Adapter->itemText(index))
    return ComboBox_Adapter->itemData(index).toString();
  return ComboBox_Adapter->currentText().trimmed();
}

void TdlgAssignComNumber::Button_AssignClick() {
  try {
    pellix::assignComNumber(ComboBox_ComNumber->currentData().toInt(), AdapterPath());
  } catch (const pellix::EPortAssignmentError& e) {
    pellix::prompts().error(QString::fromStdString(e.what()));
    return;
  }
  Refill();
}

void TdlgAssignComNumber::Button_RemoveClick() {
  const QListWidgetItem* item = Lb_Assignments->currentItem();
  if (!item) return;
  const int comNumber = item->data(Qt::UserRole).toInt();
  if (!pellix::prompts().confirmation(QStringLiteral("Remove the assignment %1?").arg(item->text()),
                                      pellix::ConfirmButtons::YesNo))
    return;
  try {
    pellix::removeComAssignment(comNumber);
  } catch (const pellix::EPortAssignmentError& e) {
    pellix::prompts().error(QString::fromStdString(e.what()));
  }
  Refill();
}
