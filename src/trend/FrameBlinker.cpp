#include "FrameBlinker.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>

namespace pellix::trend {
namespace {
const char ObjectName[] = "FrameBlinker";
}

FrameBlinker::FrameBlinker(QWidget* target) : QWidget(target) {
  setObjectName(QLatin1String(ObjectName));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setGeometry(target->rect());
  target->installEventFilter(this);
  phase_ = new QTimer(this);
  phase_->setInterval(PhaseMs);
  connect(phase_, &QTimer::timeout, this, [this] {
    shown_ = !shown_;
    update();
  });
  end_ = new QTimer(this);
  end_->setSingleShot(true);
  connect(end_, &QTimer::timeout, this, &QObject::deleteLater);
}

FrameBlinker* FrameBlinker::Of(const QWidget* target) {
  return target ? target->findChild<FrameBlinker*>(QLatin1String(ObjectName), Qt::FindDirectChildrenOnly)
                : nullptr;
}

FrameBlinker* FrameBlinker::Blink(QWidget* target, int ms) {
  FrameBlinker* b = Of(target);
  if (!b) b = new FrameBlinker(target);
  b->Restart(ms);
  return b;
}

void FrameBlinker::Restart(int ms) {
  shown_ = true;
  raise();
  show();
  update();
  phase_->start();
  end_->start(ms);
}

bool FrameBlinker::eventFilter(QObject* watched, QEvent* e) {
  if (watched == parent() && e->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
  return false;
}

void FrameBlinker::paintEvent(QPaintEvent*) {
  if (!shown_) return;
  QPainter p(this);
  QPen pen(QColor(210, 0, 0));
  pen.setWidth(4);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.drawRect(rect().adjusted(2, 2, -2, -2));
}

}  // namespace pellix::trend
