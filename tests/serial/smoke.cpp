#include <gtest/gtest.h>
#include "AfComPort.h"
#include "PtyPair.h"
#include "TestSupport.h"
using namespace pellix::test;
TEST(Smoke, OpenWriteRead) {
  PtyPair pty(5);
  TAfComPort port;
  port.SetComNumber(5);
  int notified = 0;
  int lastCount = -1;
  port.OnDataRecived = [&](TAfCustomSerialPort*, int c) {
    ++notified;
    lastCount = c;
  };
  port.OpenPort();
  ASSERT_TRUE(port.IsOpen());
  port.WriteBytes("hello", 5);
  EXPECT_EQ(pty.receive(5, 1000), QByteArray("hello"));
  pty.send("abc");
  ASSERT_TRUE(waitUntil([&] { return notified > 0; }, 1000));
  EXPECT_EQ(lastCount, 3);
  char buf[3];
  port.ReadBytes(buf, 3);
  EXPECT_EQ(QByteArray(buf, 3), QByteArray("abc"));
  port.ClosePort();
}
