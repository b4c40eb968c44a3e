#include "TestSupport.h"
#include "uMaskInputBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

using pellix::PromptKind;
using pellix::test::scriptedPrompts;

const QString kEmptyShown = QStringLiteral("__-__-__-__-__-__-__-__");

class MaskBox : public ::testing::Test {
 protected:
  void SetUp() override {
    box.Beep = [this] { ++beeps; };
    box.show();
    box.MaskEdit1->setFocus();
    box.MaskEdit1->setCursorPosition(0);
  }

  void key(int k, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, k, mods, text);
    QCoreApplication::sendEvent(box.MaskEdit1, &press);
    QKeyEvent release(QEvent::KeyRelease, k, mods, text);
    QCoreApplication::sendEvent(box.MaskEdit1, &release);
  }

  TForm_MaskInputBox box;
  int beeps = 0;
};

TEST_F(MaskBox, ControlsAndEmptyField) {
  EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("Label_Prompt")), box.Label_Prompt);
  EXPECT_EQ(box.findChild<QLineEdit*>(QStringLiteral("MaskEdit1")), box.MaskEdit1);
  EXPECT_EQ(box.findChild<QPushButton*>(QStringLiteral("Button_OK")), box.Button_OK);
  EXPECT_EQ(box.findChild<QPushButton*>(QStringLiteral("Button_Cancel")), box.Button_Cancel);
  EXPECT_EQ(box.Button_OK->text(), QStringLiteral("OK"));
  EXPECT_EQ(box.Button_Cancel->text(), QStringLiteral("Cancel"));
  EXPECT_EQ(box.size(), QSize(290, 100));
  EXPECT_EQ(box.MaskEdit1->displayText(), kEmptyShown);
  EXPECT_EQ(box.Value(), QString());
}

struct KeyRow {
  const char* name;
  int key;
  const char* text;
  Qt::KeyboardModifiers mods;
  const char* shownAfter;  // nullptr: refused, field unchanged and a beep
};

void PrintTo(const KeyRow& r, std::ostream* os) { *os << r.name; }

class MaskBoxKeys : public MaskBox, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(MaskBoxKeys, FilterOfTypedKeys) {
  const KeyRow& r = GetParam();
  key(r.key, QString::fromLatin1(r.text), r.mods);
  if (r.shownAfter) {
    EXPECT_EQ(box.MaskEdit1->displayText(), QString::fromLatin1(r.shownAfter));
    EXPECT_EQ(beeps, 0);
  } else {
    EXPECT_EQ(box.MaskEdit1->displayText(), kEmptyShown);
    EXPECT_EQ(beeps, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MaskBoxKeys,
    ::testing::Values(KeyRow{"lower_a_to_capital", Qt::Key_A, "a", Qt::NoModifier, "A_-__-__-__-__-__-__-__"},
                      KeyRow{"capital_F", Qt::Key_F, "F", Qt::ShiftModifier, "F_-__-__-__-__-__-__-__"},
                      KeyRow{"digit_9", Qt::Key_9, "9", Qt::NoModifier, "9_-__-__-__-__-__-__-__"},
                      KeyRow{"lower_f", Qt::Key_F, "f", Qt::NoModifier, "F_-__-__-__-__-__-__-__"},
                      KeyRow{"g", Qt::Key_G, "g", Qt::NoModifier, nullptr},
                      KeyRow{"capital_G", Qt::Key_G, "G", Qt::ShiftModifier, nullptr},
                      KeyRow{"dash", Qt::Key_Minus, "-", Qt::NoModifier, nullptr},
                      KeyRow{"space", Qt::Key_Space, " ", Qt::NoModifier, nullptr},
                      KeyRow{"z", Qt::Key_Z, "z", Qt::NoModifier, nullptr},
                      KeyRow{"ctrl_a", Qt::Key_A, "\x01", Qt::ControlModifier, nullptr},
                      KeyRow{"ctrl_x", Qt::Key_X, "\x18", Qt::ControlModifier, nullptr},
                      KeyRow{"alt_g", Qt::Key_G, "g", Qt::AltModifier, nullptr},
                      KeyRow{"e_acute", Qt::Key_Eacute, "\xe9", Qt::NoModifier, nullptr}));

// Keys that type nothing are editing keys, not characters: no beep.
class MaskBoxEditingKeys : public MaskBox, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(MaskBoxEditingKeys, PassWithoutABeep) {
  box.MaskEdit1->setText(QStringLiteral("28FF0A1B2C3D4E5F"));
  box.MaskEdit1->setCursorPosition(3);
  key(GetParam().key, QString::fromLatin1(GetParam().text), GetParam().mods);
  EXPECT_EQ(beeps, 0);
  EXPECT_EQ(box.MaskEdit1->displayText(), QString::fromLatin1(GetParam().shownAfter));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MaskBoxEditingKeys,
    ::testing::Values(KeyRow{"delete", Qt::Key_Delete, "\x7f", Qt::NoModifier, "28-_F-0A-1B-2C-3D-4E-5F"},
                      KeyRow{"left", Qt::Key_Left, "", Qt::NoModifier, "28-FF-0A-1B-2C-3D-4E-5F"},
                      KeyRow{"ctrl_left", Qt::Key_Left, "", Qt::ControlModifier, "28-FF-0A-1B-2C-3D-4E-5F"},
                      KeyRow{"home", Qt::Key_Home, "", Qt::NoModifier, "28-FF-0A-1B-2C-3D-4E-5F"}));

TEST_F(MaskBox, BackspaceRemovesTheLastCharacter) {
  box.MaskEdit1->setText(QStringLiteral("28FF0A1B2C3D4E5F"));
  box.MaskEdit1->end(false);
  key(Qt::Key_Backspace, QStringLiteral("\b"));
  EXPECT_EQ(beeps, 0);
  EXPECT_EQ(box.MaskEdit1->displayText(), QStringLiteral("28-FF-0A-1B-2C-3D-4E-5_"));
}

TEST_F(MaskBox, CopyIsAllowed) {
  box.MaskEdit1->setText(QStringLiteral("28FF0A1B2C3D4E5F"));
  box.MaskEdit1->selectAll();
  QGuiApplication::clipboard()->clear();
  key(Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier);
  EXPECT_EQ(beeps, 0);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("28-FF-0A-1B-2C-3D-4E-5F"));
}

// Only typing is filtered: a pasted letter beyond F reaches the caller, which checks it.
TEST_F(MaskBox, PasteIsNotFiltered) {
  QGuiApplication::clipboard()->setText(QStringLiteral("g8ff0a1b2c3d4e5f"));
  key(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
  EXPECT_EQ(beeps, 0);
  EXPECT_EQ(box.MaskEdit1->displayText(), QStringLiteral("G8-FF-0A-1B-2C-3D-4E-5F"));
  EXPECT_EQ(box.Value(), QStringLiteral("G8FF0A1B2C3D4E5F"));
}

TEST_F(MaskBox, OkWithABlankSelectsItAndStaysOpen) {
  box.MaskEdit1->setText(QStringLiteral("28FF0A1B2C3D4E5"));  // 15 of 16
  scriptedPrompts().expect(PromptKind::Error);
  box.Button_OK->click();
  ASSERT_EQ(scriptedPrompts().texts(PromptKind::Error),
            std::vector<QString>{QStringLiteral("   Missing character.   ")});
  EXPECT_TRUE(box.isVisible());
  EXPECT_NE(box.result(), QDialog::Accepted);
  EXPECT_EQ(box.MaskEdit1->selectionStart(), 22);
  EXPECT_EQ(box.MaskEdit1->selectedText(), QStringLiteral("_"));
}

TEST_F(MaskBox, OkSelectsTheFirstOfSeveralBlanks) {
  box.MaskEdit1->setText(QStringLiteral("28FF0A1B2C3D4E5F"));
  box.MaskEdit1->setSelection(3, 1);  // the first F
  key(Qt::Key_Backspace, QStringLiteral("\b"));
  box.MaskEdit1->setSelection(9, 1);  // the first 1
  key(Qt::Key_Backspace, QStringLiteral("\b"));
  scriptedPrompts().expect(PromptKind::Error);
  box.Button_OK->click();
  EXPECT_EQ(box.MaskEdit1->selectionStart(), 3);
  EXPECT_EQ(box.MaskEdit1->selectedText().size(), 1);
}

TEST_F(MaskBox, OkWithAllPositionsCloses) {
  box.MaskEdit1->setText(QStringLiteral("28ff0a1b2c3d4e5f"));
  box.Button_OK->click();
  EXPECT_EQ(box.result(), QDialog::Accepted);
  EXPECT_EQ(box.Value(), QStringLiteral("28FF0A1B2C3D4E5F"));
}

// Runs action on the modal box once MaskInputQuery has shown it.
void onModalBox(std::function<void(TForm_MaskInputBox&)> action) {
  QTimer::singleShot(0, [action] {
    auto* box = qobject_cast<TForm_MaskInputBox*>(QApplication::activeModalWidget());
    if (!box) {
      ADD_FAILURE() << "no modal input box";
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
      return;
    }
    action(*box);
  });
}

const QString kCallerPrompt = QStringLiteral("Write a new value in HEX format: \nFF-FF-FF-FF-FF-FF-FF-FF");

TEST(MaskInputQuery, OkReturnsTheSixteenCharacters) {
  QString value = QStringLiteral("28FF0A1B2C3D4E5F");
  int height = 0;
  onModalBox([&](TForm_MaskInputBox& box) {
    EXPECT_EQ(box.windowTitle(), QStringLiteral("ROM Code - Channel 7"));
    EXPECT_EQ(box.Label_Prompt->text(), kCallerPrompt);
    EXPECT_EQ(box.MaskEdit1->displayText(), QStringLiteral("28-FF-0A-1B-2C-3D-4E-5F"));
    height = box.height();
    // The two-line prompt pushes the field below it.
    EXPECT_GT(box.MaskEdit1->y(), box.Label_Prompt->geometry().bottom());
    EXPECT_GT(box.Button_OK->y(), box.MaskEdit1->geometry().bottom());
    EXPECT_LE(box.Button_OK->geometry().bottom(), box.height());
    box.MaskEdit1->setText(QStringLiteral("0123456789abcdef"));
    box.Button_OK->click();
  });
  EXPECT_TRUE(MaskInputQuery(QStringLiteral("ROM Code - Channel 7"), kCallerPrompt, value));
  EXPECT_EQ(value, QStringLiteral("0123456789ABCDEF"));
  EXPECT_GT(height, 100);
}

TEST(MaskInputQuery, OneLinePromptKeepsTheBoxSize) {
  QString value;
  onModalBox([](TForm_MaskInputBox& box) {
    EXPECT_EQ(box.size(), QSize(290, 100));
    box.Button_Cancel->click();
  });
  EXPECT_FALSE(MaskInputQuery(QStringLiteral("c"), QStringLiteral("one line"), value));
}

TEST(MaskInputQuery, CancelOrCloseLeavesTheValue) {
  QString value = QStringLiteral("28FF0A1B2C3D4E5F");
  onModalBox([](TForm_MaskInputBox& box) {
    box.MaskEdit1->setText(QStringLiteral("1111111111111111"));
    box.Button_Cancel->click();
  });
  EXPECT_FALSE(MaskInputQuery(QStringLiteral("c"), kCallerPrompt, value));
  EXPECT_EQ(value, QStringLiteral("28FF0A1B2C3D4E5F"));
  onModalBox([](TForm_MaskInputBox& box) {
    box.MaskEdit1->setText(QStringLiteral("1111111111111111"));
    box.close();
  });
  EXPECT_FALSE(MaskInputQuery(QStringLiteral("c"), kCallerPrompt, value));
  EXPECT_EQ(value, QStringLiteral("28FF0A1B2C3D4E5F"));
}

}  // namespace
