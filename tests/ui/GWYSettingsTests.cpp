#include "AfComPort.h"
#include "GWYKomunikator.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "dlg_GWYSettings.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using pellix::PromptKind;
using pellix::test::scriptedPrompts;
using Field = TFrame_PortServiceRegs::Field;
using Block = std::array<uint16_t, 100>;

namespace {

constexpr int kCom = 9;

// The real client; its poll timer is stopped so that queued writes stay in the queue
// where the test reads them.
class QueueClient : public TGWYKomunikator {
 public:
  using TGWYKomunikator::TGWYKomunikator;
  std::vector<std::pair<uint16_t, uint16_t>> Queued() const {
    std::vector<std::pair<uint16_t, uint16_t>> out;
    for (int i = 0; i < WriteCount; ++i) out.emplace_back(WriteQueue[i].Address, WriteQueue[i].Value);
    return out;
  }
  void StopPolling() { Timer.stop(); }
  // Sends what is queued, tick by tick.
  void Drain() {
    for (int i = 0; i < 300 && QueuedWrites() > 0; ++i) TimerTick();
  }
};

// Key presses as the operator makes them.
void typeInto(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QCoreApplication::sendEvent(w, &release);
  }
}

// What the gateway reports in its service block (offsets from 1000).
Block gatewayBlock() {
  Block regs{};
  regs[1] = 1;     // RS485 address
  regs[2] = 96;    // RS485 9.6 kBd
  regs[5] = 1;     // one stop bit
  regs[6] = 0;     // no parity
  regs[3] = 5;     // RS232 address
  regs[4] = 1152;  // RS232 115.2 kBd
  regs[7] = 2;
  regs[8] = 1;
  regs[53] = 20;
  regs[54] = 30;
  regs[55] = 2;
  return regs;
}

struct Fixture : ::testing::Test {
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    ASSERT_FALSE(sim.linkAsCom(kCom, &error).empty()) << error;
    client.Connect(kCom);
    ASSERT_TRUE(client.IsActive());
    client.StopPolling();
    dlg.Bind(&client);
  }
  void TearDown() override {
    client.Disconnect();
    sim.stop();
  }
  std::vector<std::pair<uint16_t, uint16_t>> lastWrites() const { return client.Queued(); }

  pellix::gwsim::Simulator sim;
  TAfComPort port;
  QueueClient client{port};
  TdlgGWYSettings dlg;
};

using GWYSettings = Fixture;

}  // namespace

TEST_F(GWYSettings, CreatedHiddenWithTheStartingButtonStates) {
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Gateway settings"));
  EXPECT_TRUE(dlg.isHidden());
  EXPECT_TRUE(dlg.Frm_RS485->isHidden());
  EXPECT_TRUE(dlg.Frm_RS232->isHidden());
  EXPECT_TRUE(dlg.Panel_Expert->isHidden());
  EXPECT_EQ(dlg.Frm_RS485->Title(), QStringLiteral("COM 0 (RS485)"));
  EXPECT_EQ(dlg.Frm_RS232->Title(), QStringLiteral("COM 1 (RS232)"));
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());
  EXPECT_FALSE(dlg.iBtn_Cancel->isEnabled());
  EXPECT_TRUE(dlg.iBtn_RestoreDef->isEnabled());
  EXPECT_EQ(dlg.iBtn_RestoreDef->text(), QStringLiteral("Restore Defaults"));
  EXPECT_EQ(dlg.iBtn_Save->toolTip(), QStringLiteral("Send new values"));
  EXPECT_EQ(dlg.iBtn_Cancel->toolTip(), QStringLiteral("Discard changes"));
  ASSERT_EQ(dlg.ComboBox_PowerLine->count(), 6);
  EXPECT_EQ(dlg.ComboBox_PowerLine->itemText(3),
            QStringLiteral("3 - Try power OFF every 5 minutes while error occurs"));
  EXPECT_EQ(
      dlg.ComboBox_PowerLine->toolTip(),
      QStringLiteral("1-Wire lines power control (see the description of Modbus registers, address 1055). "));
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_Addr->count(), 247);
  EXPECT_EQ(dlg.Frm_RS232->ComboBox_BaudRate->count(), 16);
  EXPECT_EQ(dlg.Frm_RS485->Cb_Parity->currentIndex(), -1);
  EXPECT_FALSE(dlg.Frm_RS485->ComboBox_Addr->isEditable());
  auto* delay = qobject_cast<QSpinBox*>(dlg.Frm_RS232->SpEdit_Delay);
  ASSERT_NE(delay, nullptr);  // whole numbers only
  EXPECT_EQ(delay->maximum(), 200);
  EXPECT_EQ(delay->singleStep(), 10);
  EXPECT_EQ(delay->suffix(), QStringLiteral(" ms"));
  ASSERT_NE(qobject_cast<QDoubleSpinBox*>(dlg.Frm_RS485->SpEdit_Delay), nullptr);
}

TEST_F(GWYSettings, ServiceBlockFillsEveryControlWithoutMarkingIt) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_BaudRate->currentText(), QStringLiteral("9.6 kBd"));
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_Addr->currentText(), QStringLiteral("1"));
  EXPECT_EQ(dlg.Frm_RS485->Cb_Stopbits->currentText(), QStringLiteral("One"));
  EXPECT_EQ(dlg.Frm_RS485->Cb_Parity->currentText(), QStringLiteral("NONE"));
  EXPECT_EQ(dlg.Frm_RS232->ComboBox_Addr->currentText(), QStringLiteral("5"));
  EXPECT_EQ(dlg.Frm_RS232->ComboBox_BaudRate->currentText(), QStringLiteral("115.2 kBd"));
  EXPECT_EQ(dlg.Frm_RS232->Cb_Stopbits->currentText(), QStringLiteral("Two"));
  EXPECT_EQ(dlg.Frm_RS232->Cb_Parity->currentText(), QStringLiteral("ODD"));
  EXPECT_EQ(dlg.Frm_RS485->DelayValue(), 20);
  EXPECT_EQ(dlg.Frm_RS232->DelayValue(), 30);
  EXPECT_EQ(dlg.ComboBox_PowerLine->currentIndex(), 2);
  for (int port = 0; port < 2; ++port)
    for (int f = 0; f < TFrame_PortServiceRegs::FieldCount; ++f)
      EXPECT_FALSE(dlg.IsChanged(port, static_cast<Field>(f)));
  EXPECT_FALSE(dlg.IsPowerChanged());
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());
}

struct RowCase {
  int offset;  // register - 1000
  uint16_t value;
  const char* shown;  // "" = blank
};

class GWYSettingsRows : public Fixture, public ::testing::WithParamInterface<RowCase> {};

TEST_P(GWYSettingsRows, RegisterValueToRow) {
  const RowCase c = GetParam();
  dlg.ServiceBlockUpdate(gatewayBlock());
  Block regs = gatewayBlock();
  regs[c.offset] = c.value;
  dlg.ServiceBlockUpdate(regs);
  QComboBox* list = nullptr;
  switch (c.offset) {
    case 1:
      list = dlg.Frm_RS485->ComboBox_Addr;
      break;
    case 2:
      list = dlg.Frm_RS485->ComboBox_BaudRate;
      break;
    case 5:
      list = dlg.Frm_RS485->Cb_Stopbits;
      break;
    case 8:
      list = dlg.Frm_RS232->Cb_Parity;
      break;
    default:
      list = dlg.ComboBox_PowerLine;
      break;
  }
  EXPECT_EQ(list->currentText(), QString::fromLatin1(c.shown));
  if (!*c.shown) {
    EXPECT_EQ(list->currentIndex(), -1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    GWYSettings, GWYSettingsRows,
    ::testing::Values(RowCase{2, 96, "9.6 kBd"}, RowCase{2, 2304, "230.4 kBd"}, RowCase{2, 95, "1.2 kBd"},
                      RowCase{2, 0, "1.2 kBd"}, RowCase{1, 1, "1"}, RowCase{1, 247, "247"}, RowCase{1, 0, ""},
                      RowCase{1, 248, ""}, RowCase{5, 2, "Two"}, RowCase{5, 0, ""}, RowCase{5, 3, ""},
                      RowCase{8, 2, "EVEN"}, RowCase{8, 3, ""},
                      RowCase{55, 5, "5 - Try power OFF every 15 minutes while error occurs"},
                      RowCase{55, 6, ""}),
    [](const ::testing::TestParamInfo<RowCase>& info) {
      return "Reg" + std::to_string(1000 + info.param.offset) + "_" + std::to_string(info.param.value);
    });

TEST_F(GWYSettings, ChangingEveryControlSavesElevenWritesInTheFixedOrder) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS485->ComboBox_Addr->setCurrentIndex(9);       // 10
  dlg.Frm_RS485->ComboBox_BaudRate->setCurrentIndex(13);  // 1152
  dlg.Frm_RS485->Cb_Parity->setCurrentIndex(2);           // EVEN
  dlg.Frm_RS485->Cb_Stopbits->setCurrentIndex(1);         // Two
  dlg.Frm_RS485->SetDelayValue(40);
  dlg.Frm_RS232->ComboBox_Addr->setCurrentIndex(246);    // 247
  dlg.Frm_RS232->ComboBox_BaudRate->setCurrentIndex(0);  // 12
  dlg.Frm_RS232->Cb_Parity->setCurrentIndex(2);
  dlg.Frm_RS232->Cb_Stopbits->setCurrentIndex(0);
  dlg.Frm_RS232->SetDelayValue(200);
  dlg.ComboBox_PowerLine->setCurrentIndex(0);
  EXPECT_TRUE(dlg.iBtn_Save->isEnabled());
  EXPECT_TRUE(dlg.iBtn_Cancel->isEnabled());
  dlg.iBtn_Save->click();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1001, 10}, {1002, 1152}, {1006, 2},  {1005, 2},
                                                            {1053, 40}, {1003, 247},  {1004, 12}, {1008, 2},
                                                            {1007, 1},  {1054, 200},  {1055, 0}};
  EXPECT_EQ(lastWrites(), expected);
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());
  EXPECT_FALSE(dlg.iBtn_Cancel->isEnabled());
  EXPECT_TRUE(dlg.iBtn_RestoreDef->isEnabled());
  EXPECT_FALSE(dlg.IsChanged(0, Field::fAddress));
}

TEST_F(GWYSettings, OnlyTheChangedControlIsWritten) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS232->Cb_Parity->setCurrentIndex(2);
  dlg.iBtn_Save->click();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1008, 2}};
  EXPECT_EQ(lastWrites(), expected);
}

// What the operator types into a delay field ("." stands for the locale's decimal point).
struct DelayCase {
  int port;
  const char* typed;
  uint16_t written;
};

class GWYSettingsDelay : public Fixture, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(GWYSettingsDelay, TypedDelayIsTruncatedTowardZero) {
  const DelayCase c = GetParam();
  dlg.show();
  TFrame_PortServiceRegs* frame = dlg.PortFrame(c.port);
  frame->show();
  auto* edit = frame->SpEdit_Delay->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  frame->SpEdit_Delay->setFocus();
  edit->selectAll();
  typeInto(frame->SpEdit_Delay, QString::fromLatin1(c.typed).replace('.', QLocale().decimalPoint()));
  EXPECT_TRUE(dlg.IsChanged(c.port, Field::fDelay));
  dlg.iBtn_Save->click();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{c.port == 0 ? 1053 : 1054, c.written}};
  EXPECT_EQ(lastWrites(), expected);
}

INSTANTIATE_TEST_SUITE_P(GWYSettings, GWYSettingsDelay,
                         ::testing::Values(DelayCase{0, "12.9", 12}, DelayCase{0, "+40", 40},
                                           DelayCase{0, "199.99", 199}, DelayCase{0, "0.5", 0},
                                           DelayCase{1, "70", 70}, DelayCase{1, "200", 200}),
                         [](const ::testing::TestParamInfo<DelayCase>& info) {
                           return std::string(info.param.port == 0 ? "RS485_" : "RS232_") +
                                  std::to_string(info.index);
                         });

TEST_F(GWYSettings, MarkedListWithoutRowSendsRowZero) {
  // Nothing came from the gateway yet: the lists are blank.
  dlg.Frm_RS485->ComboBox_Addr->setCurrentIndex(-1);  // an operator "change" to no row
  dlg.ComboBox_PowerLine->setCurrentIndex(3);
  dlg.ComboBox_PowerLine->setCurrentIndex(-1);
  ASSERT_TRUE(dlg.IsPowerChanged());
  dlg.iBtn_Save->click();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1055, 0}};
  EXPECT_EQ(lastWrites(), expected);
  EXPECT_EQ(dlg.ComboBox_PowerLine->currentIndex(), 0);
}

TEST_F(GWYSettings, ChangedControlIsShieldedUntilCancel) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS485->Cb_Parity->setCurrentIndex(1);
  Block regs = gatewayBlock();
  regs[6] = 2;  // the gateway reports EVEN
  regs[1] = 7;  // and another address
  dlg.ServiceBlockUpdate(regs);
  EXPECT_EQ(dlg.Frm_RS485->Cb_Parity->currentText(), QStringLiteral("ODD"));
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_Addr->currentText(), QStringLiteral("7"));  // unmarked: follows
  dlg.iBtn_Cancel->click();
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());
  EXPECT_EQ(dlg.Frm_RS485->Cb_Parity->currentText(), QStringLiteral("ODD"));  // until the next block
  dlg.ServiceBlockUpdate(regs);
  EXPECT_EQ(dlg.Frm_RS485->Cb_Parity->currentText(), QStringLiteral("EVEN"));
  EXPECT_FALSE(dlg.IsChanged(0, Field::fParity));
}

TEST_F(GWYSettings, ChangedDelayIsShieldedToo) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS232->SetDelayValue(150);
  dlg.ServiceBlockUpdate(gatewayBlock());
  EXPECT_EQ(dlg.Frm_RS232->DelayValue(), 150);
  dlg.iBtn_CancelClick();
  dlg.ServiceBlockUpdate(gatewayBlock());
  EXPECT_EQ(dlg.Frm_RS232->DelayValue(), 30);
}

TEST_F(GWYSettings, OpenListIsNotChangedUnderTheOperator) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.show();
  dlg.Frm_RS485->show();
  dlg.Frm_RS485->Cb_Stopbits->showPopup();
  ASSERT_TRUE(dlg.Frm_RS485->Cb_Stopbits->IsListOpen());
  Block regs = gatewayBlock();
  regs[5] = 2;
  dlg.ServiceBlockUpdate(regs);
  EXPECT_EQ(dlg.Frm_RS485->Cb_Stopbits->currentText(), QStringLiteral("One"));
  dlg.Frm_RS485->Cb_Stopbits->hidePopup();
  dlg.ServiceBlockUpdate(regs);
  EXPECT_EQ(dlg.Frm_RS485->Cb_Stopbits->currentText(), QStringLiteral("Two"));
}

TEST_F(GWYSettings, RestoreDefaultsThenSaveWritesOnlyPowerOn) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.iBtn_RestoreDef->click();
  EXPECT_EQ(dlg.ComboBox_PowerLine->currentText(), QStringLiteral("1 - Power ON"));
  EXPECT_FALSE(dlg.iBtn_RestoreDef->isEnabled());
  EXPECT_TRUE(dlg.iBtn_Save->isEnabled());
  EXPECT_TRUE(dlg.iBtn_Cancel->isEnabled());
  dlg.iBtn_Save->click();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1055, 1}};
  EXPECT_EQ(lastWrites(), expected);
}

TEST_F(GWYSettings, RestoreDefaultsCountsEvenWhenPowerIsAlreadyOn) {
  Block regs = gatewayBlock();
  regs[55] = 1;
  dlg.ServiceBlockUpdate(regs);
  dlg.iBtn_RestoreDefClick();
  dlg.iBtn_SaveClick();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1055, 1}};
  EXPECT_EQ(lastWrites(), expected);
}

TEST_F(GWYSettings, RefusedSaveKeepsMarksAndButtons) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS485->ComboBox_BaudRate->setCurrentIndex(13);
  client.QueueWrite(0x05FF, 1010);  // an earlier command still waits in the queue
  scriptedPrompts().expect(PromptKind::Error);
  dlg.iBtn_SaveClick();
  ASSERT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral("Busy, try again.")});
  EXPECT_TRUE(dlg.IsChanged(0, Field::fBaudRate));
  EXPECT_TRUE(dlg.iBtn_Save->isEnabled());
  client.Drain();
  dlg.iBtn_SaveClick();
  const std::vector<std::pair<uint16_t, uint16_t>> expected{{1002, 1152}};
  EXPECT_EQ(lastWrites(), expected);
}

TEST_F(GWYSettings, ResetBlanksEverythingAndDropsMarks) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS232->Cb_Parity->setCurrentIndex(0);
  dlg.Reset();
  EXPECT_EQ(dlg.Frm_RS232->Cb_Parity->currentIndex(), -1);
  EXPECT_EQ(dlg.Frm_RS485->ComboBox_BaudRate->currentText(), QString());
  EXPECT_EQ(dlg.ComboBox_PowerLine->currentIndex(), -1);
  EXPECT_EQ(dlg.Frm_RS485->DelayValue(), 0);
  EXPECT_FALSE(dlg.IsChanged(1, Field::fParity));
  EXPECT_FALSE(dlg.iBtn_Save->isEnabled());
  dlg.ServiceBlockUpdate(gatewayBlock());
  EXPECT_EQ(dlg.Frm_RS232->Cb_Parity->currentText(), QStringLiteral("ODD"));
}

TEST_F(GWYSettings, SaveAfterThePortClosedIsRefusedAndKept) {
  dlg.ServiceBlockUpdate(gatewayBlock());
  dlg.Frm_RS232->Cb_Stopbits->setCurrentIndex(0);
  client.Disconnect();
  // The master says why, the dialog says to try again.
  scriptedPrompts().expect(PromptKind::Information);
  scriptedPrompts().expect(PromptKind::Error);
  dlg.iBtn_SaveClick();
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral("Busy, try again.")});
  EXPECT_TRUE(dlg.IsChanged(1, Field::fStopBits));
}

TEST_F(GWYSettings, OpeningNeedsAnActivePort) {
  client.Disconnect();
  scriptedPrompts().expect(PromptKind::Information);
  scriptedPrompts().expect(PromptKind::Information);
  dlg.ShowNormal();
  dlg.ShowExpert();
  EXPECT_EQ(scriptedPrompts().texts(PromptKind::Information),
            (std::vector<QString>{QStringLiteral("Communication port is inactive."),
                                  QStringLiteral("Communication port is inactive.")}));
  EXPECT_TRUE(dlg.isHidden());
  EXPECT_TRUE(dlg.Panel_Expert->isHidden());
}

TEST_F(GWYSettings, ExpertModeShowsThePowerControlUntilClosed) {
  dlg.ShowExpert();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.isModal());
  EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(dlg.Panel_Expert->isVisible());
  EXPECT_TRUE(dlg.Frm_RS485->isHidden());
  dlg.close();
  EXPECT_TRUE(dlg.Panel_Expert->isHidden());
  dlg.ShowNormal();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(dlg.Panel_Expert->isHidden());
}
