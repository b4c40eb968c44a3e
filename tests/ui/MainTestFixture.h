#pragma once
// A main window per test, on a clean settings store, and a simulated gateway that can
// be linked as a COM port of the sandbox.
#include "AfComPort.h"
#include "AfPortComboBox.h"
#include "Main.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "uFrame_Komunikace.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QSettings>

#include <memory>

namespace pellix::test {

inline void clearSettingsStore() {
  QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
  s.clear();
  s.sync();
}

// Values written into the CommSetting key the way the program stores them.
inline void writeCommSetting(const QString& name, const QVariant& value) {
  QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
  s.setValue(QStringLiteral("CommSetting/") + name, value);
  s.sync();
}

inline QVariant readCommSetting(const QString& name) {
  QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
  return s.value(QStringLiteral("CommSetting/") + name);
}

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override { clearSettingsStore(); }
  void TearDown() override {
    form.reset();
    if (sim) sim->stop();
  }

  TMainForm& makeForm() {
    form.reset();
    TMainForm::ResetCreationCounters();
    form = std::make_unique<TMainForm>();
    return *form;
  }

  // A simulated gateway linked as COM<n>; the port list is refreshed to find it.
  gwsim::Simulator& startGateway(int comNumber, gwsim::GatewayModel model = gwsim::GatewayModel{}) {
    sim = std::make_unique<gwsim::Simulator>(std::move(model));
    std::string error;
    EXPECT_TRUE(sim->start(&error)) << error;
    EXPECT_FALSE(sim->linkAsCom(comNumber, &error).empty()) << error;
    if (form) {
      komunikace().AfPortComboBox1->RefreshPorts();
      komunikace().AfPortComboBox1->SetSelectedComNumber(comNumber);
    }
    return *sim;
  }

  TFrame_Komunikace& komunikace() { return *form->Frame_Komunikace1; }
  QCheckBox& connectBox() { return *komunikace().CheckBox_Connect; }
  QCheckBox& usbBox() { return *komunikace().CheckBox_USB; }

  // What the operator's pick in a list does: select, then the list's change handling.
  static void pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }

  std::unique_ptr<TMainForm> form;
  std::unique_ptr<gwsim::Simulator> sim;
};

}  // namespace pellix::test
