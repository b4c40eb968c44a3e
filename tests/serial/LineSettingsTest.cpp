// The line-settings record: built from the properties, turned into termios2
// without any device.
#include "AfComPort.h"
#include "LineTermios.h"

#include <gtest/gtest.h>

#include <termios.h>

namespace pellix {
namespace {

Termios2 cookedLine() {
  Termios2 t;
  t.c_iflag = ICRNL | IXON | IGNPAR;
  t.c_oflag = OPOST | ONLCR;
  t.c_cflag = B9600 | CS7 | CREAD | HUPCL | PARENB;
  t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 5;
  return t;
}

Termios2 build(const LineSettings& s) {
  Termios2 out;
  EXPECT_TRUE(settingsToTermios(s, cookedLine(), out));
  return out;
}

struct RateRow {
  int rate;
  uint32_t code;  // expected rate code, kTermiosBother when the rate has none
};

class RateCode : public ::testing::TestWithParam<RateRow> {};

TEST_P(RateCode, StandardRatesUseTheirCodeOthersBother) {
  LineSettings s;
  s.baudRate = GetParam().rate;
  const Termios2 t = build(s);
  const uint32_t code = GetParam().code ? GetParam().code : kTermiosBother;
  EXPECT_EQ(t.c_cflag & kTermiosCbaud, code);
  EXPECT_EQ(t.c_ispeed, static_cast<uint32_t>(s.baudRate));
  EXPECT_EQ(t.c_ospeed, static_cast<uint32_t>(s.baudRate));
  EXPECT_EQ(termiosRate(t), static_cast<uint32_t>(s.baudRate));
  EXPECT_EQ(termiosToSettings(t, s).baudRate, s.baudRate);
}

INSTANTIATE_TEST_SUITE_P(Rates, RateCode,
                         ::testing::Values(RateRow{110, B110}, RateRow{300, B300}, RateRow{9600, B9600},
                                           RateRow{19200, B19200}, RateRow{57600, B57600},
                                           RateRow{115200, B115200}, RateRow{230400, B230400},
                                           RateRow{7200, 0}, RateRow{14400, 0}, RateRow{28800, 0},
                                           RateRow{56000, 0}, RateRow{76800, 0}, RateRow{128000, 0},
                                           RateRow{256000, 0}, RateRow{31250, 0}));

struct FrameRow {
  int byteSize, parity, stopBits;
  uint32_t expectedFlags;  // CSIZE, parity and stop bits of c_cflag
};

class FrameFlags : public ::testing::TestWithParam<FrameRow> {};

TEST_P(FrameFlags, MapToControlFlagsAndBack) {
  const FrameRow& r = GetParam();
  LineSettings s;
  s.byteSize = r.byteSize;
  s.parity = r.parity;
  s.stopBits = r.stopBits;
  const Termios2 t = build(s);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), r.expectedFlags);
  const LineSettings back = termiosToSettings(t, s);
  EXPECT_EQ(back.byteSize, r.byteSize);
  EXPECT_EQ(back.parity, r.parity);
  EXPECT_EQ(back.stopBits, r.stopBits == 1 ? 2 : r.stopBits);  // 1.5 reads back as "two"
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameFlags,
                         ::testing::Values(FrameRow{8, 0, 0, CS8}, FrameRow{8, 1, 0, CS8 | PARENB | PARODD},
                                           FrameRow{8, 2, 0, CS8 | PARENB},
                                           FrameRow{7, 3, 0, CS7 | PARENB | CMSPAR | PARODD},
                                           FrameRow{7, 4, 2, CS7 | PARENB | CMSPAR | CSTOPB},
                                           FrameRow{6, 0, 2, CS6 | CSTOPB}, FrameRow{5, 0, 1, CS5 | CSTOPB}));

class Unexpressible : public ::testing::TestWithParam<LineSettings> {};

TEST_P(Unexpressible, IsRefused) {
  Termios2 out;
  EXPECT_FALSE(settingsToTermios(GetParam(), cookedLine(), out));
}

LineSettings with(void (*change)(LineSettings&)) {
  LineSettings s;
  change(s);
  return s;
}

INSTANTIATE_TEST_SUITE_P(Records, Unexpressible,
                         ::testing::Values(with([](LineSettings& s) { s.baudRate = 0; }),
                                           with([](LineSettings& s) { s.baudRate = -9600; }),
                                           with([](LineSettings& s) { s.byteSize = 4; }),
                                           with([](LineSettings& s) { s.byteSize = 9; }),
                                           with([](LineSettings& s) { s.parity = 5; }),
                                           with([](LineSettings& s) { s.stopBits = 3; })));

TEST(LineTermios, LineIsRawAndKeepsUnrelatedBits) {
  const Termios2 t = build(LineSettings{});
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IGNPAR), 0u);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<uint32_t>(CREAD | CLOCAL));
  EXPECT_NE(t.c_cflag & HUPCL, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 1);  // with VMIN 0 a read of nothing looks like a hang-up
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(LineTermios, FlowControlAndCharacters) {
  LineSettings s;
  s.outX = s.inX = true;
  s.xonChar = 0x21;
  s.xoffChar = 0x23;
  s.parityCheck = true;
  Termios2 t = build(s);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), static_cast<uint32_t>(IXON | IXOFF | INPCK));
  EXPECT_EQ(t.c_cc[VSTART], 0x21);
  EXPECT_EQ(t.c_cc[VSTOP], 0x23);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  s = LineSettings{};
  s.outxCtsFlow = s.rtsHandshake = true;
  t = build(s);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

// ---- record built from the port's properties ----

TEST(LineSettingsRecord, DefaultsOfANewPort) {
  TAfComPort port;
  EXPECT_EQ(port.Name(), QStringLiteral("AfComPort1"));
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_EQ(port.BaudRate(), br115200);
  EXPECT_EQ(port.InBufSize(), 4096);
  EXPECT_EQ(port.OutBufSize(), 2048);
  EXPECT_EQ(port.WriteThreadPriority(), tpHighest);
  EXPECT_FALSE(port.IsOpen());
  const LineSettings& s = port.LineSettings();
  EXPECT_EQ(s.baudRate, 115200);
  EXPECT_EQ(s.byteSize, 8);
  EXPECT_EQ(s.parity, 0);
  EXPECT_EQ(s.stopBits, 0);
  EXPECT_TRUE(s.binary && s.dtrEnable && s.rtsEnable);
  EXPECT_EQ(s.xonChar, 0x11);
  EXPECT_EQ(s.xoffChar, 0x13);
}

TEST(LineSettingsRecord, UserRateAndBaudRateReplaceEachOther) {
  TAfComPort port;
  port.SetUserBaudRate(7200);
  EXPECT_EQ(port.BaudRate(), brUser);
  EXPECT_EQ(port.LineSettings().baudRate, 7200);
  port.SetBaudRate(br9600);
  EXPECT_EQ(port.UserBaudRate(), 0);
  EXPECT_EQ(port.LineSettings().baudRate, 9600);
  port.SetUserBaudRate(0);  // not a new value: BaudRate stays
  EXPECT_EQ(port.BaudRate(), br9600);
  port.SetUserBaudRate(7200);
  port.SetBaudRate(brUser);  // keeps the user rate
  EXPECT_EQ(port.UserBaudRate(), 7200);
  EXPECT_EQ(port.LineSettings().baudRate, 7200);
}

struct FlowRow {
  TAfFlowControl flow;
  bool dtr, rts;
  bool dtrEnable, rtsEnable, outX, ctsFlow, dsrFlow;
  uint16_t xonLim, xoffLim;  // with InBufSize 4000
};

class FlowRecord : public ::testing::TestWithParam<FlowRow> {};

TEST_P(FlowRecord, FlagsLinesAndLimits) {
  const FlowRow& r = GetParam();
  TAfComPort port;
  port.SetInBufSize(4000);
  port.SetFlowControl(r.flow);
  port.SetDTR(r.dtr);
  port.SetRTS(r.rts);
  const LineSettings& s = port.LineSettings();
  EXPECT_EQ(s.dtrEnable, r.dtrEnable);
  EXPECT_EQ(s.rtsEnable, r.rtsEnable);
  EXPECT_EQ(s.outX && s.inX, r.outX);
  EXPECT_EQ(s.outxCtsFlow && s.rtsHandshake, r.ctsFlow);
  EXPECT_EQ(s.outxDsrFlow && s.dtrHandshake, r.dsrFlow);
  EXPECT_EQ(port.XOnLim(), r.xonLim);
  EXPECT_EQ(port.XOffLim(), r.xoffLim);
  EXPECT_EQ(s.xonLim, r.xonLim);
  EXPECT_EQ(s.xoffLim, r.xoffLim);
}

INSTANTIATE_TEST_SUITE_P(
    Flow, FlowRecord,
    ::testing::Values(FlowRow{fwNone, true, true, true, true, false, false, false, 0, 0},
                      FlowRow{fwNone, false, true, false, true, false, false, false, 0, 0},
                      FlowRow{fwXOnXOff, true, true, true, true, true, false, false, 1000, 3000},
                      FlowRow{fwRtsCts, true, true, true, false, false, true, false, 1000, 3000},
                      FlowRow{fwDtrDsr, true, true, false, true, false, false, true, 1000, 3000},
                      FlowRow{fwDtrDsr, true, false, false, false, false, false, true, 1000, 3000}));

TEST(LineSettingsRecord, LimitsFollowInBufSizeAndEachOther) {
  TAfComPort port;
  port.SetFlowControl(fwXOnXOff);
  EXPECT_EQ(port.XOnLim(), 1024);
  EXPECT_EQ(port.XOffLim(), 3072);
  port.SetInBufSize(1000);
  EXPECT_EQ(port.XOnLim(), 250);
  EXPECT_EQ(port.XOffLim(), 750);
  port.SetXOnLim(100);
  EXPECT_EQ(port.XOffLim(), 900);
  port.SetXOffLim(600);
  EXPECT_EQ(port.XOnLim(), 400);
  EXPECT_EQ(port.LineSettings().xonLim, 400);
  port.SetFlowControl(fwNone);
  EXPECT_EQ(port.XOnLim(), 0);
  EXPECT_EQ(port.XOffLim(), 0);
}

TEST(LineSettingsRecord, OptionsSetTheirFlags) {
  TAfComPort port;
  port.SetOptions(coParityCheck | coStripNull);
  EXPECT_TRUE(port.LineSettings().parityCheck);
  EXPECT_TRUE(port.LineSettings().nullStrip);
  EXPECT_FALSE(port.LineSettings().errorChar);
  EXPECT_FALSE(port.LineSettings().dsrSensitivity);
  EXPECT_FALSE(port.LineSettings().txContinueOnXoff);
  port.SetOptions(coDsrSensitivity | coIgnoreXOff | coErrorChar);
  EXPECT_FALSE(port.LineSettings().parityCheck);
  EXPECT_TRUE(port.LineSettings().dsrSensitivity && port.LineSettings().txContinueOnXoff &&
              port.LineSettings().errorChar);
}

}  // namespace
}  // namespace pellix
