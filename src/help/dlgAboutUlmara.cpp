#include "dlgAboutUlmara.h"

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace pellix {

const ContactInfo& UlmaraContact() {
  static const ContactInfo contact{QStringLiteral("Ulmara Automation GmbH"),
                                   {QStringLiteral("Am Messtor 5"), QStringLiteral("04109 Leipzig, Germany")},
                                   QStringLiteral("+49 341 5550 1320"),
                                   QStringLiteral("support@ulmara.example"),
                                   QStringLiteral("https://ulmara.example")};
  return contact;
}

}  // namespace pellix

TdlgAboutUlmara::TdlgAboutUlmara(QWidget* parent) : TdlgAboutQuorvel(parent) {
  setObjectName(QStringLiteral("dlgAboutUlmara"));
  CompressedImageList1 << QPixmap(QStringLiteral(":/images/ulmara_logo.png"));

  auto heading = [this](const char* name, const QString& text) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setContentsMargins(16, 0, 16, 0);
    return label;
  };
  Label_CreatedFor = heading("Label_CreatedFor", QStringLiteral("Created for:"));
  Frame_Logo1 = new pellix::LogoFrame(CompressedImageList1.value(1), this);
  Frame_Logo1->setObjectName(QStringLiteral("Frame_Logo1"));
  Panel_PartnerContact =
      pellix::CreateContactBlock(pellix::UlmaraContact(), QStringLiteral("Lb_Partner"), this);
  Panel_PartnerContact->setObjectName(QStringLiteral("Panel_PartnerContact"));
  Panel_PartnerContact->setContentsMargins(16, 0, 16, 0);
  Label_CreatedBy = heading("Label_CreatedBy", QStringLiteral("Created by:"));
  Frame_Logo2 = new pellix::LogoFrame(CompressedImageList1.value(0), this);
  Frame_Logo2->setObjectName(QStringLiteral("Frame_Logo2"));

  // The partner first; the maker's logo goes over the maker's own contact block.
  int at = Layout_Main->indexOf(Label_Contact);
  for (QWidget* w :
       {static_cast<QWidget*>(Label_CreatedFor), static_cast<QWidget*>(Frame_Logo1), Panel_PartnerContact,
        static_cast<QWidget*>(Label_CreatedBy), static_cast<QWidget*>(Frame_Logo2)})
    Layout_Main->insertWidget(at++, w);
  // Same width, as tall as the two blocks need.
  setFixedSize(364, std::max(422, Layout_Main->sizeHint().height()));
}
