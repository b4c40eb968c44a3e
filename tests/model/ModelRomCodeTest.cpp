#include "RomCode.h"

#include <gtest/gtest.h>

namespace {

struct ParseRow {
  const char* text;
  bool ok;
  TRomCode words;
};

void PrintTo(const ParseRow& r, std::ostream* os) { *os << '"' << r.text << '"'; }

class ParseRom : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseRom, ResultAndWords) {
  const TRomCode sentinel{1, 2, 3, 4};
  TRomCode out = sentinel;
  EXPECT_EQ(ParseRomCode(QString::fromUtf8(GetParam().text), out), GetParam().ok);
  EXPECT_EQ(out, GetParam().ok ? GetParam().words : sentinel);  // a failure leaves out alone
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseRom,
    ::testing::Values(ParseRow{"28FF0A1B2C3D4E5F", true, {0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}},
                      ParseRow{"28ff0a1b2c3d4e5f", true, {0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}},
                      ParseRow{"FFFFFFFFFFFFFFFF", true, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}},
                      ParseRow{"0000000000000001", true, {0, 0, 0, 1}},
                      ParseRow{"28FF0A1B2C3D4E5", false, {}},     // 15 characters
                      ParseRow{"28FF0A1B2C3D4E5F0", false, {}},   // 17 digits
                      ParseRow{"0028FF0A1B2C3D4E5F", false, {}},  // 18 digits, even with leading zeros
                      ParseRow{"G8FF0A1B2C3D4E5F", false, {}},    // beyond F at the start
                      ParseRow{"28FF0A1B2C3D4E5G", false, {}},    // ... and at the end
                      ParseRow{"28FF0A1Bz2C3D4E5", false, {}}, ParseRow{"28-FF-0A-1B-2C-3D-4E-5F", false, {}},
                      ParseRow{" 28FF0A1B2C3D4E5", false, {}}, ParseRow{"-28FF0A1B2C3D4E5", false, {}},
                      ParseRow{"0x28FF0A1B2C3D4E", false, {}},
                      ParseRow{"２８FF0A1B2C3D4E5F", false, {}},  // full-width digits are not hex
                      ParseRow{"", false, {}}));

TEST(RomCodeText, RoundTripsAndPadsEachWord) {
  EXPECT_EQ(RomCodeToHex({0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}), QStringLiteral("28FF0A1B2C3D4E5F"));
  EXPECT_EQ(RomCodeToHex({0x0001, 0x00AB, 0, 0xF}), QStringLiteral("000100AB0000000F"));
  TRomCode back{};
  ASSERT_TRUE(ParseRomCode(RomCodeToHex({0x0123, 0xABCD, 0xEF01, 0x2345}), back));
  EXPECT_EQ(back, (TRomCode{0x0123, 0xABCD, 0xEF01, 0x2345}));
  EXPECT_EQ(FamilyCode({0x28FF, 0, 0, 0}), 0x28);
}

}  // namespace
