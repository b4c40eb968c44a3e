#include "dlgAboutQuorvel.h"

#include "AppIdentificators.h"
#include "HelpOpener.h"
#include "LoadFromRes.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace pellix {

const ContactInfo& QuorvelContact() {
  static const ContactInfo contact{
      QStringLiteral("Quorvel s.r.o."),
      {QStringLiteral("Na Pellixu 1216/9"), QStringLiteral("530 02 Pardubice, Czech Republic")},
      QStringLiteral("+420 466 555 019"),
      QStringLiteral("info@quorvel.example"),
      QStringLiteral("https://quorvel.example")};
  return contact;
}

LogoFrame::LogoFrame(const QPixmap& logo, QWidget* parent) : QFrame(parent) {
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(logo);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 2, 0, 2);
  layout->addWidget(Image1);
}

namespace {

QLabel* addLabel(QWidget* parent, const QString& objectName, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(objectName);
  return label;
}

// A link label that opens its target through the program's opener.
QLabel* addLink(QWidget* parent, const QString& objectName, const QString& href, const QString& text) {
  auto* label =
      addLabel(parent, objectName, QStringLiteral("<a href=\"%1\">%2</a>").arg(href, text.toHtmlEscaped()));
  label->setTextFormat(Qt::RichText);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  label->setOpenExternalLinks(false);
  label->setCursor(Qt::PointingHandCursor);
  QObject::connect(label, &QLabel::linkActivated, label, [](const QString& link) { openUrl(QUrl(link)); });
  return label;
}

}  // namespace

QWidget* CreateContactBlock(const ContactInfo& contact, const QString& prefix, QWidget* parent) {
  auto* block = new QWidget(parent);
  auto* grid = new QGridLayout(block);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(1);
  auto* name = addLabel(block, prefix + QStringLiteral("Name"), contact.name);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  grid->addWidget(name, 0, 1);
  grid->addWidget(
      addLabel(block, prefix + QStringLiteral("Address"), contact.address.join(QLatin1Char('\n'))), 1, 1);
  grid->addWidget(addLabel(block, {}, QStringLiteral("Phone:")), 2, 0);
  grid->addWidget(addLabel(block, prefix + QStringLiteral("Phone"), contact.phone), 2, 1);
  grid->addWidget(addLabel(block, {}, QStringLiteral("E-mail:")), 3, 0);
  grid->addWidget(addLink(block, prefix + QStringLiteral("Email"), QStringLiteral("mailto:") + contact.email,
                          contact.email),
                  3, 1);
  grid->addWidget(addLabel(block, {}, QStringLiteral("Web:")), 4, 0);
  grid->addWidget(addLink(block, prefix + QStringLiteral("Web"), contact.web, QUrl(contact.web).host()), 4,
                  1);
  grid->setColumnStretch(1, 1);
  return block;
}

}  // namespace pellix

TdlgAboutQuorvel::TdlgAboutQuorvel(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgAboutQuorvel"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(364, 422);
  FormCreate();
}

void TdlgAboutQuorvel::FormCreate() {
  using pellix::addLabel;
  setWindowTitle(QStringLiteral("About Pellix Tool"));
  pellix::InitHelpResources();
  CompressedImageList1 << QPixmap(QStringLiteral(":/images/quorvel_logo.png"));

  Layout_Main = new QVBoxLayout(this);
  Layout_Main->setContentsMargins(0, 0, 0, 10);
  Layout_Main->setSpacing(8);

  Panel_Banner = new QFrame(this);
  Panel_Banner->setObjectName(QStringLiteral("Panel_Banner"));
  Panel_Banner->setAutoFillBackground(true);
  QPalette white = Panel_Banner->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel_Banner->setPalette(white);
  Panel_Banner->setFixedHeight(90);
  Img_Logo = addLabel(Panel_Banner, QStringLiteral("Img_Logo"), {});
  Img_Logo->setAlignment(Qt::AlignCenter);
  Img_Logo->setPixmap(CompressedImageList1.value(0));
  auto* bannerLayout = new QHBoxLayout(Panel_Banner);
  bannerLayout->addWidget(Img_Logo);
  Layout_Main->addWidget(Panel_Banner);

  // Design texts first, the values of this build over them.
  auto* values = new QGridLayout;
  values->setContentsMargins(16, 0, 16, 0);
  values->setHorizontalSpacing(10);
  values->setVerticalSpacing(3);
  Lb_AppName = addLabel(this, QStringLiteral("Lb_AppName"), QStringLiteral("AppName"));
  Lb_AppVer = addLabel(this, QStringLiteral("Lb_AppVer"), QStringLiteral("AppVer"));
  Lb_Date = addLabel(this, QStringLiteral("Lb_Date"), QStringLiteral("RelDate"));
  QFont bold = Lb_AppName->font();
  bold.setBold(true);
  Lb_AppName->setFont(bold);
  values->addWidget(addLabel(this, QStringLiteral("Label_Application"), QStringLiteral("Application:")), 0,
                    0);
  values->addWidget(Lb_AppName, 0, 1);
  values->addWidget(addLabel(this, QStringLiteral("Label_Version"), QStringLiteral("Version:")), 1, 0);
  values->addWidget(Lb_AppVer, 1, 1);
  values->addWidget(addLabel(this, QStringLiteral("Label_ReleaseDate"), QStringLiteral("Release date:")), 2,
                    0);
  values->addWidget(Lb_Date, 2, 1);
  values->setColumnStretch(1, 1);
  Layout_Main->addLayout(values);
  Lb_AppName->setText(pellix::ProductName);
  Lb_AppVer->setText(pellix::VersionText);
  Lb_Date->setText(pellix::ReleaseDate);

  Lb_AppDescription = addLabel(this, QStringLiteral("Lb_AppDescription"), pellix::AppDescription);
  Lb_AppDescription->setWordWrap(true);
  Lb_AppDescription->setContentsMargins(16, 4, 16, 4);
  Layout_Main->addWidget(Lb_AppDescription);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  Layout_Main->addWidget(line);

  Label_Contact = addLabel(this, QStringLiteral("Label_Contact"), QStringLiteral("Contact:"));
  Label_Contact->setContentsMargins(16, 0, 16, 0);
  Layout_Main->addWidget(Label_Contact);
  Panel_Contact = pellix::CreateContactBlock(pellix::QuorvelContact(), QStringLiteral("Lb_Maker"), this);
  Panel_Contact->setObjectName(QStringLiteral("Panel_Contact"));
  Panel_Contact->setContentsMargins(16, 0, 16, 0);
  Layout_Main->addWidget(Panel_Contact);
  Layout_Main->addStretch(1);

  SevBtn_OK = new QPushButton(QStringLiteral("OK"), this);
  SevBtn_OK->setObjectName(QStringLiteral("SevBtn_OK"));
  SevBtn_OK->setDefault(true);
  connect(SevBtn_OK, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(16, 0, 16, 0);
  buttons->addStretch(1);
  buttons->addWidget(SevBtn_OK);
  Layout_Main->addLayout(buttons);
}

int TdlgAboutQuorvel::ShowModal() {
  QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  QRect area;
  if (owner && owner->isVisible())
    area = owner->frameGeometry();
  else if (QScreen* s = screen())
    area = s->availableGeometry();
  if (area.isValid()) move(area.center() - QPoint(width() / 2, height() / 2));
  return exec();
}

void TdlgAboutQuorvel::hideEvent(QHideEvent* event) {
  FormHide();
  QDialog::hideEvent(event);
}

void TdlgAboutQuorvel::FormHide() {
  if (QWidget* focused = focusWidget()) focused->clearFocus();
}
