#include "CheckFileName.h"
#include "FilesTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace pellix;
using pellix::test::scriptedPrompts;

namespace {

const FileDialogSpec Spec{"Save to File", "Binary files (*.bin)|*.BIN", "bin", {}};

}  // namespace

TEST(CheckFileName, QuestionMarkIsRefusedWithTheTwoLineMessage) {
  auto& p = scriptedPrompts();
  p.expect(PromptKind::Information);
  EXPECT_FALSE(CheckFileName("/home/u/Z?lohy/a.bin"));
  EXPECT_EQ(p.texts(PromptKind::Information),
            std::vector<QString>{"The file name /home/u/Z?lohy/a.bin contains invalid characters.\n"
                                 "Make sure the file name, including folder names, does not contain "
                                 "diacritics or any special characters."});
}

TEST(CheckFileName, OtherNamesPassSilently) {
  EXPECT_TRUE(CheckFileName(QString::fromUtf8("/home/u/z\u00E1lohy (1)/*a.bin")));
  EXPECT_TRUE(scriptedPrompts().records().empty());
}

TEST(AskSaveFileName, CancelGivesNoName) {
  scriptedPrompts().expect(PromptKind::SaveFile, false);
  EXPECT_TRUE(AskSaveFileName(Spec).isEmpty());
}

TEST(AskSaveFileName, RefusedNameOpensTheDialogAgainWithAnEmptyName) {
  files_test::Folder dir;
  auto& p = scriptedPrompts();
  p.expect(PromptKind::SaveFile, true, dir.path("a?.bin"));
  p.expect(PromptKind::Information);
  p.expect(PromptKind::SaveFile, true, dir.path("a.bin"));
  EXPECT_EQ(AskSaveFileName(Spec), dir.path("a.bin"));
  for (const auto& r : p.records())
    if (r.kind == PromptKind::SaveFile) {
      EXPECT_EQ(r.caption, "Save to File");
      EXPECT_EQ(r.text, "Binary files (*.bin)|*.BIN");
      EXPECT_TRUE(r.value.isEmpty());
    }
}

TEST(AskSaveFileName, ExistingFileNeedsYes) {
  files_test::Folder dir;
  const QString path = dir.path("old.bin");
  files_test::writeAll(path, "old");
  auto& p = scriptedPrompts();
  p.expect(PromptKind::SaveFile, true, path);
  p.expect(PromptKind::Warning, false);
  p.expect(PromptKind::SaveFile, true, path);
  p.expect(PromptKind::Warning, true);
  EXPECT_EQ(AskSaveFileName(Spec), path);
  EXPECT_EQ(p.texts(PromptKind::Warning)[0], path + " already exists. Do you want to rewrite it?");
  EXPECT_EQ(files_test::readAll(path), "old");
}

TEST(AskOpenFileName, MissingFileIsReportedAndTheDialogOpensAgain) {
  files_test::Folder dir;
  files_test::writeAll(dir.path("there.bin"), "x");
  auto& p = scriptedPrompts();
  p.expect(PromptKind::OpenFile, true, dir.path("gone.bin"));
  p.expect(PromptKind::Information);
  p.expect(PromptKind::OpenFile, true, dir.path("there.bin"));
  EXPECT_EQ(AskOpenFileName(Spec), dir.path("there.bin"));
  EXPECT_EQ(p.texts(PromptKind::Information),
            std::vector<QString>{"The file " + dir.path("gone.bin") + " does not exist."});
}
