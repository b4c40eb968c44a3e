#pragma once
// The about dialog: product, version, release date, description and the maker's contact.
#include <QDialog>
#include <QFrame>
#include <QList>
#include <QPixmap>
#include <QStringList>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace pellix {

struct ContactInfo {
  QString name;
  QStringList address;  // one line each
  QString phone;
  QString email;  // opened as mailto:
  QString web;    // full URL
};

const ContactInfo& QuorvelContact();
inline const QString ReleaseDate = QStringLiteral("2019-11-20");
inline const QString AppDescription = QStringLiteral("Configuration tool for gateway 1-Wire / Modbus RTU.");

// A framed logo picture. (The main window's logo frame lives with the main window,
// which this library cannot depend on; this one shows a picture it is given.)
class LogoFrame : public QFrame {
  Q_OBJECT
 public:
  explicit LogoFrame(const QPixmap& logo, QWidget* parent = nullptr);
  QLabel* Image1;
};

// The contact block: name, address, "Phone:", "E-mail:" and "Web:" with working links.
// Its labels are named <prefix>Name, <prefix>Address, <prefix>Phone, <prefix>Email, <prefix>Web.
QWidget* CreateContactBlock(const ContactInfo& contact, const QString& prefix, QWidget* parent);

}  // namespace pellix

class TdlgAboutQuorvel : public QDialog {
  Q_OBJECT
 public:
  explicit TdlgAboutQuorvel(QWidget* parent = nullptr);

  // Centred on the main window (the parent's window), then modal.
  int ShowModal();

  QList<QPixmap> CompressedImageList1;
  QFrame* Panel_Banner = nullptr;
  QLabel* Img_Logo = nullptr;
  QLabel* Lb_AppName = nullptr;
  QLabel* Lb_AppVer = nullptr;
  QLabel* Lb_Date = nullptr;
  QLabel* Lb_AppDescription = nullptr;
  QLabel* Label_Contact = nullptr;
  QWidget* Panel_Contact = nullptr;
  QPushButton* SevBtn_OK = nullptr;

 protected:
  void hideEvent(QHideEvent* event) override;
  void FormCreate();
  void FormHide();

  // Rows from the top; the partner variant inserts its own into it.
  QVBoxLayout* Layout_Main = nullptr;
};
