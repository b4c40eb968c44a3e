#pragma once
// The partner-brand about dialog: the maker's dialog with both logos and the partner's contact.
#include "dlgAboutQuorvel.h"

namespace pellix {
const ContactInfo& UlmaraContact();
}

class TdlgAboutUlmara : public TdlgAboutQuorvel {
  Q_OBJECT
 public:
  explicit TdlgAboutUlmara(QWidget* parent = nullptr);

  QLabel* Label_CreatedFor = nullptr;
  pellix::LogoFrame* Frame_Logo1 = nullptr;  // the partner's
  QWidget* Panel_PartnerContact = nullptr;
  QLabel* Label_CreatedBy = nullptr;
  pellix::LogoFrame* Frame_Logo2 = nullptr;  // the maker's
};
