// The code page of the text files, checked against the system's own converter.
#include "DescriptionsFile.h"
#include "TextCodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <QSettings>

using namespace pellix;

namespace {

class TextFiles : public ::testing::Test {
 protected:
  void TearDown() override {
    QLocale::setDefault(QLocale::c());
    QSettings(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"))
        .remove(QLatin1String(TextCodePageKey));
  }
  static void Override(const QString& value) {
    QSettings(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"))
        .setValue(QLatin1String(TextCodePageKey), value);
  }
};

TEST_F(TextFiles, TheUsersLanguageChoosesTheCodePageAndTheSettingOverridesIt) {
  for (QLocale::Language l : {QLocale::Czech, QLocale::Slovak, QLocale::Polish, QLocale::Hungarian,
                              QLocale::Slovenian, QLocale::Croatian, QLocale::Romanian})
    EXPECT_EQ(TextFileCodePage(QLocale(l)), CodePage::Windows1250)
        << QLocale::languageToString(l).toStdString();
  for (QLocale::Language l : {QLocale::English, QLocale::German, QLocale::C})
    EXPECT_EQ(TextFileCodePage(QLocale(l)), CodePage::Windows1252)
        << QLocale::languageToString(l).toStdString();

  Override(QStringLiteral("1252"));
  EXPECT_EQ(TextFileCodePage(QLocale(QLocale::Czech)), CodePage::Windows1252);
  Override(QStringLiteral("Windows-1250"));
  EXPECT_EQ(TextFileCodePage(QLocale(QLocale::English)), CodePage::Windows1250);
  Override(QStringLiteral("utf-8"));  // not a code page of these files
  EXPECT_EQ(TextFileCodePage(QLocale(QLocale::English)), CodePage::Windows1252);
}

TEST_F(TextFiles, CzechTextIsKeptAndLatin1TextStaysByteIdentical) {
  QLocale::setDefault(QLocale(QLocale::Czech));
  const QStringList czech{QString::fromUtf8("Kotel \u017E \u010Dist\u00E1 voda"),
                          QString::fromUtf8("23 \u00B0C")};
  const QByteArray bytes = EncodeDescriptionsText(czech);
  EXPECT_EQ(bytes, QByteArray("Kotel \x9E \xE8ist\xE1 voda\r\n23 \xB0"
                              "C\r\n"));
  EXPECT_EQ(DecodeDescriptionsText(bytes), czech);

  // What the files always held: Latin-1 bytes for every text the code page shares with it.
  const QString latin1 = QString::fromUtf8("Caf\u00E9 \u00FC\u00DF 25 \u00B0C");
  for (CodePage page : {CodePage::Windows1250, CodePage::Windows1252})
    EXPECT_EQ(EncodeDescriptionsText({latin1}, page), latin1.toLatin1() + "\r\n");
}

TEST_F(TextFiles, TextTheCodePageCannotHoldMakesTheFileUtf8InsteadOfQuestionMarks) {
  const QStringList lines{QString::fromUtf8("Kotel \u010D \u20AC \U0001F600"), QStringLiteral("next")};
  const QByteArray bytes = EncodeDescriptionsText(lines, CodePage::Windows1252);
  EXPECT_EQ(bytes, QByteArray(Utf8Bom) + lines[0].toUtf8() + "\r\nnext\r\n");
  EXPECT_EQ(DecodeDescriptionsText(bytes, CodePage::Windows1252), lines);
}

TEST_F(TextFiles, AValidUtf8FileReadsAsUtf8WithOrWithoutBom) {
  const QString kotel = QString::fromUtf8("Kotel \u017E");
  for (CodePage page : {CodePage::Windows1250, CodePage::Windows1252}) {
    EXPECT_EQ(DecodeTextFile(kotel.toUtf8(), page), kotel);
    EXPECT_EQ(DecodeTextFile(QByteArray(Utf8Bom) + kotel.toUtf8(), page), kotel);
  }
  // Not UTF-8: the code page.
  EXPECT_EQ(DecodeTextFile("Kotel \x9E\xE8", CodePage::Windows1250), QString::fromUtf8("Kotel \u017E\u010D"));
}

class CodePageTable : public ::testing::TestWithParam<std::pair<CodePage, const char*>> {};

// Every byte as the C library's converter reads it; bytes it leaves undefined stand for the
// control character of the same number and come back as that byte.
TEST_P(CodePageTable, AgreesWithTheSystemConverterAndRoundTrips) {
  const auto [page, name] = GetParam();
  iconv_t cd = iconv_open("UTF-32LE", name);
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
  for (int b = 0x80; b <= 0xFF; ++b) {
    char in = static_cast<char>(b);
    char32_t out = 0;
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(&out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool defined = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
    const QString ours = DecodeTextFile(QByteArray(1, in), page);
    ASSERT_EQ(ours.size(), 1) << b;
    EXPECT_EQ(ours[0].unicode(), defined ? out : static_cast<char32_t>(b)) << name << " byte " << b;
    EXPECT_EQ((TextFileEncoding{page, false}.Encode(ours)), QByteArray(1, in)) << name << " byte " << b;
  }
  iconv_close(cd);
}

INSTANTIATE_TEST_SUITE_P(Pages, CodePageTable,
                         ::testing::Values(std::pair{CodePage::Windows1250, "CP1250"},
                                           std::pair{CodePage::Windows1252, "CP1252"}));

}  // namespace
