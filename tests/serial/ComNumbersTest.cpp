#include "AfCircularBuffer.h"
#include "ComNumbers.h"
#include "PortTestSupport.h"
#include "PortsFolder.h"
#include "PtyLink.h"

#include <gtest/gtest.h>
#include <QFile>

#include <cerrno>
#include <numeric>
#include <vector>

namespace pellix::test {
namespace {

struct PathRow {
  int com;
  const char* path;
};

class DefaultDevice : public ::testing::TestWithParam<PathRow> {};

TEST_P(DefaultDevice, MapsWithoutAPortsFolderEntry) {
  QFile::remove(portsFolderEntry(GetParam().com));
  EXPECT_EQ(comDevicePath(GetParam().com), QString::fromLatin1(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(Table, DefaultDevice,
                         ::testing::Values(PathRow{1, "/dev/ttyS0"}, PathRow{32, "/dev/ttyS31"},
                                           PathRow{33, "/dev/ttyUSB0"}, PathRow{64, "/dev/ttyUSB31"},
                                           PathRow{65, "/dev/ttyACM0"}, PathRow{96, "/dev/ttyACM31"},
                                           PathRow{97, ""}, PathRow{0, ""}, PathRow{-1, ""}));

TEST(ComDevicePath, PortsFolderEntryWinsEvenBeyondTheTable) {
  PtyLink low(2, PtyLink::Slave::LeftToThePort), high(150, PtyLink::Slave::LeftToThePort);
  EXPECT_EQ(comDevicePath(2), portsFolderEntry(2));
  EXPECT_EQ(comDevicePath(150), portsFolderEntry(150));
  linkMissing(3);  // a link to nothing is still the entry: COM3 is then absent
  EXPECT_EQ(comDevicePath(3), portsFolderEntry(3));
  EXPECT_EQ(probeComPort(3), PortState::Absent);
}

struct ErrnoRow {
  int err;
  PortOpenFailure kind;
};

class OpenErrno : public ::testing::TestWithParam<ErrnoRow> {};

TEST_P(OpenErrno, Classifies) { EXPECT_EQ(classifyOpenErrno(GetParam().err), GetParam().kind); }

INSTANTIATE_TEST_SUITE_P(
    Table, OpenErrno,
    ::testing::Values(ErrnoRow{ENOENT, PortOpenFailure::Missing}, ErrnoRow{ENODEV, PortOpenFailure::Missing},
                      ErrnoRow{ENXIO, PortOpenFailure::Missing}, ErrnoRow{EIO, PortOpenFailure::Missing},
                      ErrnoRow{ENOTTY, PortOpenFailure::Missing}, ErrnoRow{EBUSY, PortOpenFailure::Busy},
                      ErrnoRow{EACCES, PortOpenFailure::Denied}, ErrnoRow{EPERM, PortOpenFailure::Busy},
                      ErrnoRow{EWOULDBLOCK, PortOpenFailure::Busy}, ErrnoRow{EMFILE, PortOpenFailure::Other},
                      ErrnoRow{EINVAL, PortOpenFailure::Other}));

TEST(ProbeComPort, FreeBusyAndAbsent) {
  PtyLink pty(4, PtyLink::Slave::LeftToThePort);
  EXPECT_EQ(probeComPort(4), PortState::Free);
  EXPECT_EQ(probeComPort(4), PortState::Free);  // a probe leaves nothing held
  PortOpenFailure failure;
  const int fd = openComDevice(4, failure);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(failure, PortOpenFailure::None);
  EXPECT_EQ(probeComPort(4), PortState::Busy);
  EXPECT_EQ(openComDevice(4, failure), -1);
  EXPECT_EQ(failure, PortOpenFailure::Busy);
  ::close(fd);
  EXPECT_EQ(probeComPort(4), PortState::Free);
  EXPECT_EQ(probeComPort(300), PortState::Absent);
}

// ---- the ring buffer ----

std::vector<uint8_t> sequence(int from, int count) {
  std::vector<uint8_t> v(static_cast<size_t>(count));
  std::iota(v.begin(), v.end(), static_cast<uint8_t>(from));
  return v;
}

TEST(CircularBuffer, AllOrNothing) {
  TAfCircularBuffer ring(10);
  EXPECT_TRUE(ring.Write(sequence(0, 7).data(), 7));
  EXPECT_FALSE(ring.Write(sequence(0, 4).data(), 4));
  EXPECT_EQ(ring.Used(), 7);
  EXPECT_EQ(ring.Free(), 3);
  EXPECT_FALSE(ring.Write(nullptr, -1));
  EXPECT_TRUE(ring.Write(sequence(7, 3).data(), 3));
  EXPECT_EQ(ring.Free(), 0);
}

TEST(CircularBuffer, WrappedBlockComesOutInTwoRunsInOrder) {
  TAfCircularBuffer ring(8);
  ring.Write(sequence(0, 6).data(), 6);
  ring.Remove(5);                        // read position 5, one byte left
  ring.Write(sequence(6, 6).data(), 6);  // wraps: 5..7 then 0..3
  int length = 0;
  const uint8_t* run = ring.ReadBlock(length);
  ASSERT_EQ(length, 3);  // up to the end of the storage only
  EXPECT_EQ(std::vector<uint8_t>(run, run + length), sequence(5, 3));
  ring.Remove(length);
  run = ring.ReadBlock(length);
  ASSERT_EQ(length, 4);
  EXPECT_EQ(std::vector<uint8_t>(run, run + length), sequence(8, 4));
  ring.Remove(length);
  EXPECT_TRUE(ring.Empty());
}

TEST(CircularBuffer, ReadCopiesAcrossTheWrapAndClearEmpties) {
  TAfCircularBuffer ring(5);
  ring.Write(sequence(0, 4).data(), 4);
  std::vector<uint8_t> out(3);
  EXPECT_EQ(ring.Read(out.data(), 3), 3);
  ring.Write(sequence(4, 4).data(), 4);
  out.resize(10);
  EXPECT_EQ(ring.Read(out.data(), 10), 5);
  out.resize(5);
  EXPECT_EQ(out, sequence(3, 5));
  ring.Write(sequence(0, 2).data(), 2);
  ring.Remove(100);  // never more than held
  EXPECT_TRUE(ring.Empty());
  ring.Write(sequence(0, 5).data(), 5);
  ring.Clear();
  EXPECT_EQ(ring.Free(), 5);
}

}  // namespace
}  // namespace pellix::test
