#include "ErrorReport.h"
#include "HelpOpener.h"
#include "LoadFromRes.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <stdexcept>

namespace {

using pellix::PromptKind;

QByteArray readFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

QString dataHome() { return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")); }

class HelpOpenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pellix::setUrlOpener([this](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
  }
  void TearDown() override {
    pellix::EndHelp();
    pellix::setUrlOpener({});
    QDir(dataHome() + "/Pellix Tool").removeRecursively();
  }
  std::vector<QUrl> opened;
};

TEST_F(HelpOpenerTest, CreatesBothFoldersUnderTheDataFolder) {
  pellix::StartHelp();
  const THelpOpener* h = pellix::HelpOpener();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->BaseFolder, dataHome() + "/Pellix Tool");
  EXPECT_EQ(h->HelpFolder, dataHome() + "/Pellix Tool/Help");
  EXPECT_TRUE(QFileInfo(h->HelpFolder).isDir());
}

TEST_F(HelpOpenerTest, ExistingFoldersAreKept) {
  QDir().mkpath(dataHome() + "/Pellix Tool/Help");
  writeFile(dataHome() + "/Pellix Tool/Help/keep.txt", "x");
  pellix::StartHelp();
  EXPECT_EQ(readFile(dataHome() + "/Pellix Tool/Help/keep.txt"), "x");
  EXPECT_TRUE(pellix::test::scriptedPrompts().records().empty());
}

struct ManualRow {
  int tag;
  const char* file;      // as written
  const char* resource;  // the document in the source tree
};

void PrintTo(const ManualRow& r, std::ostream* os) { *os << r.resource; }

class ManualByTag : public HelpOpenerTest, public ::testing::WithParamInterface<ManualRow> {};

TEST_P(ManualByTag, WritesResourceBytesAndCrLfAndOpensThem) {
  const ManualRow row = GetParam();
  ASSERT_TRUE(pellix::OpenManual(row.tag));
  const QString path = dataHome() + "/Pellix Tool/Help/" + row.file;
  const QByteArray source =
      readFile(QStringLiteral(PELLIX_RESOURCES_DIR "/manuals/") + row.resource + ".mht");
  ASSERT_FALSE(source.isEmpty());
  EXPECT_EQ(readFile(path), source + "\r\n");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(path));
  EXPECT_TRUE(pellix::test::scriptedPrompts().records().empty());
}

TEST_P(ManualByTag, OpeningAgainRewritesTheFile) {
  const ManualRow row = GetParam();
  ASSERT_TRUE(pellix::OpenManual(row.tag));
  const QString path = dataHome() + "/Pellix Tool/Help/" + row.file;
  const QByteArray first = readFile(path);
  writeFile(path, "edited by the operator");
  ASSERT_TRUE(pellix::OpenManual(row.tag));
  EXPECT_EQ(readFile(path), first);
  EXPECT_EQ(opened.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Tags, ManualByTag,
                         ::testing::Values(ManualRow{0, "PellixTool_AppManualEN.mht", "AppManual_EN"},
                                           ManualRow{1, "PellixTool_GWYManualEN.mht", "GWYManual_EN"}));

class UnknownTag : public HelpOpenerTest, public ::testing::WithParamInterface<int> {};

TEST_P(UnknownTag, DoesNothing) {
  pellix::StartHelp();
  EXPECT_FALSE(pellix::OpenManual(GetParam()));
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(QDir(pellix::HelpOpener()->HelpFolder).isEmpty());
  EXPECT_TRUE(pellix::test::scriptedPrompts().records().empty());
}

INSTANTIATE_TEST_SUITE_P(Tags, UnknownTag, ::testing::Values(-1, 2, 7));

TEST_F(HelpOpenerTest, EndRemovesTheWholeFolderButNotWhatLinksPointTo) {
  const QString outside = pellix::test::sandboxDir() + "/outside";
  QDir().mkpath(outside);
  writeFile(outside + "/precious.txt", "keep");
  ASSERT_TRUE(pellix::OpenManual(0));
  const QString base = pellix::HelpOpener()->BaseFolder;
  QDir().mkpath(base + "/Help/sub/deeper");
  writeFile(base + "/Help/sub/deeper/note.txt", "n");
  writeFile(base + "/other.txt", "o");
  QFile::link(outside, base + "/Help/link-to-outside");
  pellix::EndHelp();
  EXPECT_EQ(pellix::HelpOpener(), nullptr);
  EXPECT_FALSE(QFileInfo::exists(base));
  EXPECT_EQ(readFile(outside + "/precious.txt"), "keep");
}

TEST_F(HelpOpenerTest, DeleteFolderTreeOfNothingIsHarmless) {
  THelpOpener::DeleteFolderTree({});
  THelpOpener::DeleteFolderTree(dataHome() + "/no such folder");
  EXPECT_TRUE(QFileInfo(dataHome()).isDir());
}

// A second start that ends during start-up must leave the running instance's manuals.
TEST_F(HelpOpenerTest, ProcessEndingWithoutEndHelpKeepsTheFolder) {
  ASSERT_TRUE(pellix::OpenManual(0));
  const QString manual = pellix::HelpOpener()->HelpFolder + "/PellixTool_AppManualEN.mht";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pellix::StartHelp();
    std::exit(0);  // as a second instance does: static destruction runs, no EndHelp
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(QFileInfo::exists(manual));
}

TEST_F(HelpOpenerTest, NoViewerTellsWhereTheManualWasWritten) {
  pellix::setUrlOpener([this](const QUrl& url) {
    opened.push_back(url);
    return false;  // no program for .mht
  });
  pellix::test::scriptedPrompts().expect(PromptKind::Information);
  EXPECT_TRUE(pellix::OpenManual(0));
  ASSERT_EQ(opened.size(), 1u);
  const auto texts = pellix::test::scriptedPrompts().texts(PromptKind::Information);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].contains(opened[0].toLocalFile())) << texts[0].toStdString();
}

// The desktop's opener starts whatever the file is; only its exit code says that no
// program took the manual.
TEST_F(HelpOpenerTest, DesktopOpenerThatGivesUpIsReportedWithThePath) {
  const QString bin = pellix::test::sandboxDir() + QStringLiteral("/bin-no-viewer");
  QDir().mkpath(bin);
  writeFile(bin + QStringLiteral("/xdg-open"), "#!/bin/sh\nexit 3\n");
  QFile::setPermissions(bin + QStringLiteral("/xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.toLocal8Bit() + ':' + path);
  pellix::setUrlOpener({});
  pellix::test::scriptedPrompts().expect(PromptKind::Information);
  EXPECT_TRUE(pellix::OpenManual(0));
  EXPECT_TRUE(pellix::test::waitUntil(
      [] { return !pellix::test::scriptedPrompts().texts(PromptKind::Information).empty(); }, 5000));
  qputenv("PATH", path);
  const auto texts = pellix::test::scriptedPrompts().texts(PromptKind::Information);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(
      texts[0].contains(pellix::HelpOpener()->HelpFolder + QStringLiteral("/PellixTool_AppManualEN.mht")));
}

TEST_F(HelpOpenerTest, FolderRemovedWhileRunningIsMadeAgain) {
  pellix::StartHelp();
  const QString base = pellix::HelpOpener()->BaseFolder;
  ASSERT_TRUE(QDir(base).removeRecursively());
  ASSERT_TRUE(pellix::OpenManual(1));
  EXPECT_TRUE(QFileInfo::exists(base + "/Help/PellixTool_GWYManualEN.mht"));
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(HelpOpenerTest, NameWithExtensionIsKept) {
  pellix::StartHelp();
  THelpOpener& h = *pellix::HelpOpener();
  EXPECT_TRUE(h.OpenFromResource("notes.txt", "AppManual_EN", ".mht"));
  EXPECT_TRUE(h.OpenFromResource("plain", "AppManual_EN", ".mht"));
  EXPECT_TRUE(QFileInfo::exists(h.HelpFolder + "/notes.txt"));
  EXPECT_FALSE(QFileInfo::exists(h.HelpFolder + "/notes.txt.mht"));
  EXPECT_TRUE(QFileInfo::exists(h.HelpFolder + "/plain.mht"));
}

struct MissingRow {
  const char* name;
  const char* type;
  const char* message;
};

void PrintTo(const MissingRow& r, std::ostream* os) { *os << '"' << r.name << "\" of " << r.type; }

class MissingResource : public HelpOpenerTest, public ::testing::WithParamInterface<MissingRow> {};

TEST_P(MissingResource, ReachesTheErrorReportAndOpensNothing) {
  const MissingRow row = GetParam();
  pellix::StartHelp();
  pellix::test::scriptedPrompts().expect(PromptKind::Error);
  EXPECT_FALSE(pellix::guarded([&] { (void)LoadResourceText(row.name, row.type); }));
  EXPECT_EQ(pellix::test::scriptedPrompts().texts(PromptKind::Error), std::vector<QString>{row.message});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MissingResource,
    ::testing::Values(
        MissingRow{"NoSuchManual", "TEXT", "The specified resource name cannot be found in the image file."},
        MissingRow{"AppManual_EN", "RCDATA",
                   "The specified resource type cannot be found in the image file."},
        MissingRow{"", "TEXT", "The specified resource name cannot be found in the image file."},
        MissingRow{"../images/quorvel_logo.png", "TEXT",
                   "The specified resource name cannot be found in the image file."}));

TEST_F(HelpOpenerTest, MissingResourceWritesNoFile) {
  pellix::StartHelp();
  THelpOpener& h = *pellix::HelpOpener();
  EXPECT_THROW(h.OpenFromResource("gone", "NoSuchManual", ".mht"), std::runtime_error);
  EXPECT_FALSE(QFileInfo::exists(h.HelpFolder + "/gone.mht"));
  EXPECT_TRUE(opened.empty());
}

TEST_F(HelpOpenerTest, UnwritableFileReachesTheErrorReport) {
  pellix::StartHelp();
  const QString help = pellix::HelpOpener()->HelpFolder;
  // The folder is gone and a file stands in its place: nothing can be created in it.
  ASSERT_TRUE(QDir(help).removeRecursively());
  writeFile(help, "not a folder");
  pellix::test::scriptedPrompts().expect(PromptKind::Error);
  EXPECT_FALSE(pellix::OpenManual(0));
  const auto errors = pellix::test::scriptedPrompts().texts(PromptKind::Error);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors[0].startsWith("Cannot create file \"" + help + "/PellixTool_AppManualEN.mht\". "))
      << errors[0].toStdString();
  EXPECT_TRUE(opened.empty());
}

TEST(LoadFromRes, TypeIsMatchedWithoutRegardToCase) {
  const QByteArray upper = LoadResourceData("GWYManual_EN", "TEXT");
  EXPECT_EQ(LoadResourceText("GWYManual_EN", "text"), upper);
  EXPECT_EQ(LoadResourceText("GWYManual_EN", "Text"), upper);
  EXPECT_EQ(upper, readFile(PELLIX_RESOURCES_DIR "/manuals/GWYManual_EN.mht"));
}

// The two documents are MIME-HTML: one HTML page and the pictures it shows.
struct MimePart {
  QMap<QByteArray, QByteArray> headers;  // lower-case names
  QByteArray body;                       // decoded
};

QByteArray decodeQuotedPrintable(const QByteArray& in) {
  QByteArray out;
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] != '=') {
      out += in[i];
    } else if (in.mid(i + 1, 2) == "\r\n") {
      i += 2;
    } else {
      bool ok = false;
      out += char(in.mid(i + 1, 2).toInt(&ok, 16));
      EXPECT_TRUE(ok) << "bad escape at " << i;
      i += 2;
    }
  }
  return out;
}

std::vector<MimePart> parseMultipartRelated(const QByteArray& doc) {
  const qsizetype headEnd = doc.indexOf("\r\n\r\n");
  EXPECT_GT(headEnd, 0);
  const QByteArray head = doc.left(headEnd);
  EXPECT_TRUE(head.contains("MIME-Version: 1.0\r\n"));
  const QRegularExpression typeRe(R"re(Content-Type: multipart/related;[^\r]*boundary="([^"]+)")re");
  const auto m = typeRe.match(QString::fromLatin1(head));
  EXPECT_TRUE(m.hasMatch()) << head.toStdString();
  const QByteArray delimiter = "\r\n--" + m.captured(1).toLatin1();
  std::vector<MimePart> parts;
  qsizetype at = doc.indexOf(delimiter);
  while (at >= 0) {
    at += delimiter.size();
    if (doc.mid(at, 2) == "--") return parts;  // closing delimiter
    const qsizetype next = doc.indexOf(delimiter, at);
    EXPECT_GT(next, at) << "no closing delimiter";
    if (next < 0) return parts;
    const QByteArray raw = doc.mid(at + 2, next - at - 2);
    const qsizetype split = raw.indexOf("\r\n\r\n");
    MimePart part;
    for (const QByteArray& line : raw.left(split).split('\n')) {
      const qsizetype colon = line.indexOf(':');
      part.headers[line.left(colon).trimmed().toLower()] = line.mid(colon + 1).trimmed();
    }
    const QByteArray body = raw.mid(split + 4);
    const QByteArray encoding = part.headers.value("content-transfer-encoding").toLower();
    part.body = encoding == "base64"             ? QByteArray::fromBase64(body)
                : encoding == "quoted-printable" ? decodeQuotedPrintable(body)
                                                 : body;
    parts.push_back(part);
    at = next;
  }
  return parts;
}

class ManualDocument : public ::testing::TestWithParam<const char*> {};

TEST_P(ManualDocument, IsOneHtmlPageWithEveryPictureItShows) {
  const QByteArray doc = LoadResourceData(GetParam(), "TEXT");
  EXPECT_LT(doc.size(), 100 * 1024);
  const std::vector<MimePart> parts = parseMultipartRelated(doc);
  ASSERT_GE(parts.size(), 2u);
  EXPECT_TRUE(parts[0].headers.value("content-type").startsWith("text/html"));
  const QString html = QString::fromUtf8(parts[0].body);
  EXPECT_TRUE(html.contains("</html>"));
  // The page is the one in the source tree (the document is rebuilt from it).
  EXPECT_EQ(QByteArray(parts[0].body).replace("\r\n", "\n"),
            readFile(QStringLiteral(PELLIX_RESOURCES_DIR "/manuals/") + GetParam() + ".html"));
  const QString base = QString::fromLatin1(parts[0].headers.value("content-location"));
  const QString baseDir = base.left(base.lastIndexOf('/') + 1);
  QStringList locations;
  for (size_t i = 1; i < parts.size(); ++i) {
    EXPECT_EQ(parts[i].headers.value("content-type"), "image/png");
    EXPECT_TRUE(parts[i].body.startsWith("\x89PNG\r\n\x1a\n")) << i;
    locations << QString::fromLatin1(parts[i].headers.value("content-location"));
  }
  const QRegularExpression srcRe(R"re(<img [^>]*src="([^"]+)")re");
  int pictures = 0;
  for (auto it = srcRe.globalMatch(html); it.hasNext(); ++pictures) {
    const QString src = it.next().captured(1);
    EXPECT_TRUE(locations.contains(baseDir + src)) << src.toStdString();
  }
  EXPECT_GE(pictures, 1);
}

INSTANTIATE_TEST_SUITE_P(Manuals, ManualDocument, ::testing::Values("AppManual_EN", "GWYManual_EN"));

}  // namespace
