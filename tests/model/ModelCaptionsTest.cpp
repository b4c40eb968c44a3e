#include "StrConsts.h"

#include <gtest/gtest.h>

namespace {

class Captions : public ::testing::Test {
 protected:
  void TearDown() override {
    SetCaptionsObserver({});
    SetLanguage(LanguageEnglish);
  }
};

TEST_F(Captions, EnglishByDefault) {
  EXPECT_EQ(Language(), LanguageEnglish);
  EXPECT_EQ(StrConst(1), QStringLiteral("File"));
  EXPECT_EQ(StrConst(27), QStringLiteral("Gateway FW version: %s"));
  EXPECT_EQ(StrConst(31), QStringLiteral("Address"));
  EXPECT_EQ(StrConst(32), QStringLiteral("Traffic monitor"));
  EXPECT_EQ(StrConst(33), QStringLiteral("View"));
  EXPECT_EQ(StrConst(34), QStringLiteral("Trend chart"));
}

TEST_F(Captions, CzechVersionLineAndDiacritics) {
  SetLanguage(LanguageCzech);
  EXPECT_EQ(StrConst(27), QStringLiteral("Verze FW: %s"));
  EXPECT_EQ(StrConst(2), QStringLiteral("Uložit do souboru"));
  EXPECT_EQ(StrConst(29), QStringLiteral("Nastavení portů"));
  EXPECT_EQ(StrConst(33), QStringLiteral("Zobrazení"));
  EXPECT_EQ(StrConst(34), QStringLiteral("Graf průběhu"));
  EXPECT_EQ(StrConst(25), QStringLiteral("Ceština"));
  EXPECT_EQ(StrConst(26), QStringLiteral("Anglictina (English)"));
}

TEST_F(Captions, OutsideTheTableIsEmpty) {
  EXPECT_TRUE(StrConst(0).isEmpty());
  EXPECT_TRUE(StrConst(StrConstCount + 1).isEmpty());
}

TEST_F(Captions, ObserverRunsOnlyOnAChange) {
  int calls = 0;
  SetCaptionsObserver([&] { ++calls; });
  SetLanguage(LanguageEnglish);  // already English
  EXPECT_EQ(calls, 0);
  SetLanguage(LanguageCzech);
  EXPECT_EQ(calls, 1);
  SetLanguage(LanguageCzech);
  EXPECT_EQ(calls, 1);
  SetLanguage(7);  // not a language: ignored
  EXPECT_EQ(Language(), LanguageCzech);
  EXPECT_EQ(calls, 1);
  SetLanguage(LanguageEnglish);
  EXPECT_EQ(calls, 2);
}

TEST_F(Captions, ChangeWithoutObserverIsFine) {
  SetLanguage(LanguageCzech);
  EXPECT_EQ(StrConst(1), QStringLiteral("Soubor"));
}

}  // namespace
