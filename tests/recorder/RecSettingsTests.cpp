#include "FileRecorder.h"
#include "RecorderCommands.h"
#include "TestSupport.h"
#include "uFrm_RecSettings.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>

using namespace pellix;

namespace {

void Store(const QVariant& value) {
  QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
  s.setValue(QStringLiteral("Recorder/Period"), value);
  s.sync();
}

// The window open with an unconfirmed change.
void ShowAndChange(TForm_RecSettings& form, int seconds) {
  form.show();
  form.SpinEdit_Period->setValue(seconds);
}

QVariant Stored() {
  QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
  return s.value(QStringLiteral("Recorder/Period"));
}

TEST(RecSettings, ControlsAsTheFormHasThem) {
  TForm_RecSettings form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Recorder options"));
  auto* label = form.findChild<QLabel*>(QStringLiteral("Label_Period"));
  ASSERT_TRUE(label);
  EXPECT_EQ(label->text(), QStringLiteral("Sampling period:  "));
  auto* spin = form.findChild<QSpinBox*>(QStringLiteral("SpinEdit_Period"));
  ASSERT_EQ(spin, form.SpinEdit_Period);
  EXPECT_EQ(spin->minimum(), 1);
  EXPECT_EQ(spin->maximum(), 4294967);
  EXPECT_EQ(spin->singleStep(), 10);
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Label_Unit"))->text(), QStringLiteral("s"));
  ASSERT_EQ(form.findChild<QPushButton*>(QStringLiteral("Button_SAVE")), form.Button_SAVE);
  EXPECT_EQ(form.Button_SAVE->text(), QStringLiteral("&OK"));
  ASSERT_EQ(form.findChild<QPushButton*>(QStringLiteral("Button_CANCEL")), form.Button_CANCEL);
  EXPECT_EQ(form.Button_CANCEL->text(), QStringLiteral("Cancel"));
}

TEST(RecSettings, WithoutAStoredPeriodOffersSixtySecondsAndNothingToSave) {
  TForm_RecSettings form;
  EXPECT_EQ(form.Period(), 60u);
  EXPECT_EQ(form.SpinEdit_Period->value(), 60);
  EXPECT_FALSE(form.Button_SAVE->isEnabled());
}

TEST(RecSettings, ReadsTheStoredPeriodOnceAtCreation) {
  Store(300);
  TForm_RecSettings form;
  EXPECT_EQ(form.Period(), 300u);
  EXPECT_EQ(form.SpinEdit_Period->value(), 300);
  Store(500);  // another instance of the program, say
  EXPECT_EQ(form.Period(), 300u);
}

TEST(RecSettings, AnUnusableStoredPeriodLeavesSixty) {
  Store(QStringLiteral("often"));
  TForm_RecSettings form;
  EXPECT_EQ(form.Period(), 60u);
}

TEST(RecSettings, ChangingThePeriodEnablesOk) {
  TForm_RecSettings form;
  form.SpinEdit_Period->setValue(70);
  EXPECT_TRUE(form.Button_SAVE->isEnabled());
  EXPECT_EQ(form.Period(), 60u);  // not yet confirmed
}

TEST(RecSettings, OkStoresThePeriodAndClosesWithOk) {
  TForm_RecSettings form;
  ShowAndChange(form, 3600);
  form.Button_SAVE->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Button_SAVE->isEnabled());
  EXPECT_EQ(form.Period(), 3600u);
  EXPECT_EQ(Stored().toLongLong(), 3600);
  TForm_RecSettings next;  // the next start of the program
  EXPECT_EQ(next.Period(), 3600u);
}

TEST(RecSettings, CancelTakesTheChangeBackAndStoresNothing) {
  Store(90);
  TForm_RecSettings form;
  ShowAndChange(form, 10);
  form.Button_CANCEL->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.Period(), 90u);
  EXPECT_EQ(form.SpinEdit_Period->value(), 90);  // the next time the window opens
  EXPECT_FALSE(form.Button_SAVE->isEnabled());
  EXPECT_EQ(Stored().toLongLong(), 90);
  EXPECT_EQ(form.focusWidget(), form.Button_CANCEL);
}

TEST(RecSettings, ClosingTheWindowAnyOtherWayAlsoTakesTheChangeBack) {
  TForm_RecSettings form;
  ShowAndChange(form, 10);
  form.close();
  EXPECT_EQ(form.SpinEdit_Period->value(), 60);
  EXPECT_FALSE(form.Button_SAVE->isEnabled());
  EXPECT_FALSE(Stored().isValid());
}

TEST(RecSettings, OptionsCommandShowsTheApplicationsWindowModally) {
  Store(45);
  TForm_RecSettings form;
  ASSERT_EQ(&RecorderOptions(), &form);
  bool wasModal = false;
  QTimer::singleShot(0, &form, [&] {
    wasModal = form.isVisible() && form.isModal();
    form.SpinEdit_Period->setValue(15);
    form.Button_SAVE->click();
  });
  RecordOptionsCommand();
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(form.Period(), 15u);
}

TEST(RecSettings, WithoutAWindowTheCommandsCreateOneThatReadsTheStore) {
  Store(75);
  EXPECT_EQ(TForm_RecSettings::Instance(), nullptr);
  TForm_RecSettings& created = RecorderOptions();
  EXPECT_EQ(created.Period(), 75u);
  EXPECT_EQ(&RecorderOptions(), &created);
}

}  // namespace
