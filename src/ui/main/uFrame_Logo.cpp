#include "uFrame_Logo.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The logo is drawn rather than shipped as a file: a word mark on the brand blue.
QPixmap drawLogo(const QSize& size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blue(0, 84, 166);
  p.setPen(Qt::NoPen);
  p.setBrush(blue);
  p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()).adjusted(1, 1, -1, -1), 8, 8);
  p.setBrush(Qt::white);
  const qreal r = size.height() * 0.28;
  const QPointF c(size.height() * 0.5, size.height() * 0.5);
  p.drawEllipse(c, r, r);
  p.setBrush(blue);
  p.drawEllipse(c, r * 0.55, r * 0.55);
  QFont f(QStringLiteral("Sans Serif"));
  f.setBold(true);
  f.setPixelSize(size.height() * 2 / 5);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(size.height(), 0, size.width() - size.height() - 6, size.height()),
             Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("QUORVEL"));
  return pm;
}

}  // namespace

TFrame_Logo::TFrame_Logo(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Frame_Logo"));
  ImageList << drawLogo(QSize(220, 64));
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Image1);
  ShowImage(0);
}

void TFrame_Logo::ShowImage(int index) {
  if (index < 0 || index >= ImageList.size()) return;
  Image1->setPixmap(ImageList.at(index));
}
