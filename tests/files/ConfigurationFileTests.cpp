#include "ConfigurationFile.h"
#include "FilesTestUtil.h"
#include "InOutError.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <csignal>
#include <functional>

using namespace pellix;
using files_test::readAll;
using files_test::writeAll;

namespace {

TChannelData Sample(int channel) {
  TChannelData r;
  r.ChannelNumber = static_cast<uint8_t>(channel);
  r.RomCode = {0x28A1, 0xB2C3, static_cast<uint16_t>(0xD400 + channel), 0x00E5};
  r.Values = {static_cast<uint16_t>(200 + channel), 0xFFFF, 0x0102, 0, 0x8000};
  r.Status = static_cast<uint8_t>(channel % 3);
  return r;
}

TDynamicLogArray FortySamples() {
  TDynamicLogArray records;
  for (int c = 1; c <= 40; ++c) records.push_back(Sample(c));
  return records;
}

bool Same(const TChannelData& a, const TChannelData& b) {
  return a.ChannelNumber == b.ChannelNumber && a.RomCode == b.RomCode && a.Values == b.Values &&
         a.Status == b.Status;
}

}  // namespace

TEST(ConfigurationFormat, ChannelRecordIsTheChannelByteForByteLittleEndian) {
  const QByteArray bytes = EncodeChannelRecord(Sample(7));
  // number, reserved, ROM words, values, status, reserved
  const QByteArray expected = QByteArray::fromHex("07 00 A128 C3B2 07D4 E500 CF00 FFFF 0201 0000 0080 01 00");
  EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(ConfigurationFormat, FileIsHeaderWithMagicWordsThenFortyRecordsInOrder) {
  const QByteArray bytes = EncodeConfiguration(FortySamples());
  ASSERT_EQ(bytes.size(), 902);
  EXPECT_EQ(bytes.mid(10, 6), QByteArray::fromHex("52B20331F8F3"));
  for (int k = 0; k < 40; ++k)
    EXPECT_EQ(bytes.mid(22 * (k + 1), 22), EncodeChannelRecord(Sample(k + 1))) << "record " << k + 1;
}

TEST(ConfigurationFormat, MissingRecordsAreWrittenAsZeroRecords) {
  const QByteArray bytes = EncodeConfiguration({Sample(1)});
  ASSERT_EQ(bytes.size(), 902);
  EXPECT_EQ(bytes.mid(44), QByteArray(902 - 44, '\0'));
}

TEST(ConfigurationFormat, RecordsReadBackAsWritten) {
  files_test::Folder dir;
  const QString path = dir.path("backup.bin");
  WriteConfigurationFile(path, FortySamples());
  const ConfigurationContent content = ReadConfigurationFile(path);
  ASSERT_TRUE(content.Valid);
  ASSERT_EQ(content.Records.size(), 40u);
  for (int k = 0; k < 40; ++k) EXPECT_TRUE(Same(content.Records[k], Sample(k + 1))) << "record " << k + 1;
}

// File length -> valid. Whole records after the header decide; a tail shorter than a
// record is never read.
class ConfigurationLength : public ::testing::TestWithParam<std::pair<int, bool>> {};

TEST_P(ConfigurationLength, ValidOnlyWithExactlyFortyWholeRecords) {
  const auto [length, valid] = GetParam();
  QByteArray bytes = EncodeConfiguration(FortySamples());
  while (bytes.size() < length) bytes += EncodeChannelRecord(Sample(41));
  bytes.truncate(length);
  files_test::Folder dir;
  writeAll(dir.path("f.bin"), bytes);
  EXPECT_EQ(ReadConfigurationFile(dir.path("f.bin")).Valid, valid);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ConfigurationLength,
                         ::testing::Values(std::pair{902, true}, std::pair{910, true}, std::pair{923, true},
                                           std::pair{880, false}, std::pair{901, false},
                                           std::pair{924, false}, std::pair{1100, false},
                                           std::pair{22, false}, std::pair{30, false}));

class ConfigurationHeaderByte : public ::testing::TestWithParam<int> {};

TEST_P(ConfigurationHeaderByte, OnlyTheMagicWordsAreChecked) {
  const int offset = GetParam();
  QByteArray bytes = EncodeConfiguration(FortySamples());
  bytes[offset] = static_cast<char>(bytes[offset] ^ 0x5A);
  const bool magic = offset >= 10 && offset < 16;
  EXPECT_EQ(DecodeConfiguration(bytes, "f.bin").Valid, !magic);
}

INSTANTIATE_TEST_SUITE_P(AllHeaderBytes, ConfigurationHeaderByte, ::testing::Range(0, 22));

TEST(ConfigurationFormat, ReservedRecordBytesAreIgnored) {
  QByteArray bytes = EncodeConfiguration(FortySamples());
  bytes[22 + 1] = 'x';
  bytes[22 + 21] = 'y';
  const ConfigurationContent content = DecodeConfiguration(bytes, "f.bin");
  ASSERT_TRUE(content.Valid);
  EXPECT_TRUE(Same(content.Records[0], Sample(1)));
}

class ConfigurationUnreadable : public ::testing::TestWithParam<int> {};

TEST_P(ConfigurationUnreadable, ShorterThanOneRecordIsAnInputOutputError) {
  files_test::Folder dir;
  const QString path = dir.path("short.bin");
  writeAll(path, EncodeConfiguration(FortySamples()).left(GetParam()));
  try {
    ReadConfigurationFile(path);
    FAIL() << "no error";
  } catch (const InOutError& e) {
    EXPECT_NE(QString::fromStdString(e.what()).indexOf(path), -1) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, ConfigurationUnreadable, ::testing::Values(0, 1, 21));

TEST(ConfigurationFile, MissingFileOrFolderIsAnInputOutputError) {
  files_test::Folder dir;
  EXPECT_THROW(ReadConfigurationFile(dir.path("none.bin")), InOutError);
  EXPECT_THROW(ReadConfigurationFile(dir.root()), InOutError);
  EXPECT_THROW(WriteConfigurationFile(dir.path("no/such/folder.bin"), FortySamples()), InOutError);
}

TEST(ConfigurationFile, RewriteReplacesTheContentAndLeavesNoTemporaryFile) {
  files_test::Folder dir;
  const QString path = dir.path("backup.bin");
  writeAll(path, QByteArray(2000, 'x'));
  WriteConfigurationFile(path, FortySamples());
  EXPECT_EQ(readAll(path), EncodeConfiguration(FortySamples()));
  EXPECT_EQ(QDir(dir.root()).entryList(QDir::Files), QStringList{"backup.bin"});
}

TEST(ConfigurationFile, WriteFailingMidwayKeepsTheOldBackup) {
  files_test::Folder dir;
  const QString path = dir.path("backup.bin");
  const QByteArray old(300, 'o');
  writeAll(path, old);

  // The disk "fills up" after 500 bytes.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 500;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    WriteConfigurationFile(path, FortySamples());
  } catch (const InOutError& e) {
    threw = true;
    EXPECT_NE(QString::fromStdString(e.what()).indexOf(path), -1) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_TRUE(threw);
  EXPECT_EQ(readAll(path), old);
  EXPECT_EQ(QDir(dir.root()).entryList(QDir::Files), QStringList{"backup.bin"});
}

namespace {

// Runs fn in a child process without the right to create files in a folder of mode 0555:
// root ignores that mode, so a child of root becomes nobody. Returns fn's result.
int InChildWithoutRootRights(const std::function<int()>& fn) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    _exit(fn());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

}  // namespace

TEST(ConfigurationFile, InAFolderThatTakesNoNewFileTheFileIsRewrittenInPlace) {
  files_test::Folder dir;
  const QString path = dir.path("backup.bin");
  const QByteArray old(300, 'o');
  writeAll(path, old);
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0666), 0);
  ASSERT_EQ(chmod(QFile::encodeName(dir.root()).constData(), 0555), 0);

  auto save = [&] {
    try {
      WriteConfigurationFile(path, FortySamples());
      return 0;
    } catch (const InOutError&) {
      return 1;
    }
  };
  // The disk "fills up" after 500 bytes: the old content comes back.
  EXPECT_EQ(InChildWithoutRootRights([&] {
              std::signal(SIGXFSZ, SIG_IGN);
              rlimit small{500, 500};
              return setrlimit(RLIMIT_FSIZE, &small) == 0 ? save() : 97;
            }),
            1);
  EXPECT_EQ(readAll(path), old);

  EXPECT_EQ(InChildWithoutRootRights(save), 0);
  EXPECT_EQ(readAll(path), EncodeConfiguration(FortySamples()));
  EXPECT_EQ(QDir(dir.root()).entryList(QDir::Files), QStringList{"backup.bin"});
  chmod(QFile::encodeName(dir.root()).constData(), 0755);
}
