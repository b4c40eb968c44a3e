#pragma once
// The maker's logo at the foot of the left column.
#include <QFrame>
#include <QList>
#include <QPixmap>

class QLabel;

class TFrame_Logo : public QFrame {
  Q_OBJECT
 public:
  explicit TFrame_Logo(QWidget* parent = nullptr);

  QList<QPixmap> ImageList;
  QLabel* Image1;

  // Shows the image at `index` of the image list (the first at creation).
  void ShowImage(int index);
};
