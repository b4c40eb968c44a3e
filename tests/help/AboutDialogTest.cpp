#include "HelpOpener.h"
#include "dlgAboutQuorvel.h"
#include "dlgAboutUlmara.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>
#include <memory>

namespace {

QLabel* label(const QWidget& w, const QString& name) {
  auto* l = w.findChild<QLabel*>(name);
  EXPECT_NE(l, nullptr) << name.toStdString();
  return l;
}

// Every label text of the dialog, for texts that have no control name of their own.
QStringList labelTexts(const QWidget& w) {
  QStringList texts;
  for (const QLabel* l : w.findChildren<QLabel*>()) texts << l->text();
  return texts;
}

// Activates a link label the way a click does, with the target its text carries.
void clickLink(QLabel* link) {
  const auto m = QRegularExpression(R"re(href="([^"]+)")re").match(link->text());
  ASSERT_TRUE(m.hasMatch()) << link->text().toStdString();
  emit link->linkActivated(m.captured(1));
}

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pellix::setUrlOpener([this](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
  }
  void TearDown() override { pellix::setUrlOpener({}); }
  std::vector<QUrl> opened;
};

TEST_F(AboutTest, WindowCaptionNameAndSize) {
  TdlgAboutQuorvel dlg;
  EXPECT_EQ(dlg.objectName(), "dlgAboutQuorvel");
  EXPECT_EQ(dlg.windowTitle(), "About Pellix Tool");
  EXPECT_EQ(dlg.size(), QSize(364, 422));
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
}

struct ValueRow {
  const char* caption;  // empty: the value has no caption label
  const char* valueLabel;
  const char* value;
};

void PrintTo(const ValueRow& r, std::ostream* os) { *os << r.valueLabel; }

class AboutValues : public AboutTest, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(AboutValues, ShowsTheValueOfThisBuild) {
  const ValueRow row = GetParam();
  TdlgAboutQuorvel dlg;
  QLabel* value = label(dlg, row.valueLabel);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text(), row.value);
  if (*row.caption) {
    EXPECT_TRUE(labelTexts(dlg).contains(row.caption)) << row.caption;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, AboutValues,
                         ::testing::Values(ValueRow{"Application:", "Lb_AppName", "Pellix Tool"},
                                           ValueRow{"Version:", "Lb_AppVer", "V1.09.3 (DUNO)"},
                                           ValueRow{"Release date:", "Lb_Date", "2019-11-20"},
                                           ValueRow{"", "Lb_AppDescription",
                                                    "Configuration tool for gateway 1-Wire / Modbus RTU."}));

TEST_F(AboutTest, BannerShowsTheFirstLogo) {
  TdlgAboutQuorvel dlg;
  ASSERT_FALSE(dlg.CompressedImageList1.isEmpty());
  EXPECT_FALSE(dlg.CompressedImageList1[0].isNull());
  QLabel* logo = label(dlg, "Img_Logo");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->pixmap().toImage(), dlg.CompressedImageList1[0].toImage());
  EXPECT_TRUE(dlg.Panel_Banner->isAncestorOf(logo));
  EXPECT_EQ(dlg.Panel_Banner->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(AboutTest, ContactBlockWithWorkingLinks) {
  TdlgAboutQuorvel dlg;
  const QStringList texts = labelTexts(dlg);
  for (const char* caption : {"Contact:", "Phone:", "E-mail:", "Web:"})
    EXPECT_TRUE(texts.contains(caption)) << caption;
  EXPECT_EQ(label(dlg, "Lb_MakerName")->text(), "Quorvel s.r.o.");
  EXPECT_FALSE(label(dlg, "Lb_MakerAddress")->text().isEmpty());
  EXPECT_FALSE(label(dlg, "Lb_MakerPhone")->text().isEmpty());
  clickLink(label(dlg, "Lb_MakerEmail"));
  clickLink(label(dlg, "Lb_MakerWeb"));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], QUrl("mailto:info@quorvel.example"));
  EXPECT_EQ(opened[1], QUrl("https://quorvel.example"));
}

TEST_F(AboutTest, OkIsTheDefaultButtonAndShowModalCentresOnTheMainWindow) {
  QWidget mainWindow;
  mainWindow.setGeometry(120, 90, 900, 700);
  mainWindow.show();
  auto* dlg = new TdlgAboutQuorvel(&mainWindow);
  ASSERT_NE(dlg->SevBtn_OK, nullptr);
  EXPECT_EQ(dlg->SevBtn_OK->objectName(), "SevBtn_OK");
  EXPECT_EQ(dlg->SevBtn_OK->text(), "OK");
  EXPECT_TRUE(dlg->SevBtn_OK->isDefault());
  QPoint centreWhileShown;
  bool wasModal = false;
  QTimer::singleShot(0, dlg, [&] {
    centreWhileShown = dlg->geometry().center();
    wasModal = dlg->isModal() && dlg->isVisible();
    dlg->SevBtn_OK->click();
  });
  EXPECT_EQ(dlg->ShowModal(), QDialog::Accepted);
  EXPECT_TRUE(wasModal);
  EXPECT_LE((centreWhileShown - mainWindow.frameGeometry().center()).manhattanLength(), 4);
  EXPECT_FALSE(dlg->isVisible());
}

TEST_F(AboutTest, ShowingAgainStartsWithoutTheLastFocusedControl) {
  TdlgAboutQuorvel dlg;
  dlg.show();
  QLabel* email = label(dlg, "Lb_MakerEmail");
  email->setFocus();
  ASSERT_EQ(dlg.focusWidget(), email);
  dlg.hide();
  EXPECT_EQ(dlg.focusWidget(), nullptr);
}

TEST_F(AboutTest, PartnerVariantKeepsTheMakersDialog) {
  TdlgAboutUlmara dlg;
  EXPECT_EQ(dlg.objectName(), "dlgAboutUlmara");
  EXPECT_EQ(dlg.windowTitle(), "About Pellix Tool");
  EXPECT_EQ(label(dlg, "Lb_AppName")->text(), "Pellix Tool");
  EXPECT_EQ(label(dlg, "Lb_AppVer")->text(), "V1.09.3 (DUNO)");
  EXPECT_EQ(label(dlg, "Lb_Date")->text(), "2019-11-20");
  EXPECT_EQ(label(dlg, "Lb_MakerName")->text(), "Quorvel s.r.o.");
  EXPECT_EQ(dlg.width(), 364);
  EXPECT_GE(dlg.height(), 422);
}

TEST_F(AboutTest, PartnerVariantShowsBothBlocksInOrder) {
  TdlgAboutUlmara dlg;
  dlg.show();
  QApplication::processEvents();
  EXPECT_EQ(dlg.Label_CreatedFor->text(), "Created for:");
  EXPECT_EQ(dlg.Label_CreatedBy->text(), "Created by:");
  EXPECT_EQ(label(dlg, "Lb_PartnerName")->text(), "Ulmara Automation GmbH");
  for (QWidget* w : {static_cast<QWidget*>(dlg.Frame_Logo1), static_cast<QWidget*>(dlg.Frame_Logo2),
                     dlg.Panel_PartnerContact, dlg.Panel_Contact})
    EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
  // Top to bottom: partner heading, its logo and contact, maker heading, its logo and contact.
  const int order[] = {dlg.Label_CreatedFor->y(), dlg.Frame_Logo1->y(), dlg.Panel_PartnerContact->y(),
                       dlg.Label_CreatedBy->y(),  dlg.Frame_Logo2->y(), dlg.Panel_Contact->y()};
  EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));
  // Nothing is squeezed out of the fixed window.
  EXPECT_LE(dlg.SevBtn_OK->geometry().bottom(), dlg.height());
  const QImage partner = dlg.Frame_Logo1->Image1->pixmap().toImage();
  const QImage maker = dlg.Frame_Logo2->Image1->pixmap().toImage();
  EXPECT_FALSE(partner.isNull());
  EXPECT_EQ(maker, dlg.CompressedImageList1[0].toImage());
  EXPECT_NE(partner, maker);
  clickLink(label(dlg, "Lb_PartnerEmail"));
  clickLink(label(dlg, "Lb_PartnerWeb"));
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], QUrl("mailto:support@ulmara.example"));
  EXPECT_EQ(opened[1], QUrl("https://ulmara.example"));
}

}  // namespace
