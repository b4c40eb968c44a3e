#include "ApplicationTitle.h"

#include <QCoreApplication>

namespace pellix {
namespace {

QString& titleSlot() {
  static QString title;
  return title;
}

}  // namespace

void SetApplicationTitle(const QString& title) { titleSlot() = title; }

QString ApplicationTitle() {
  return titleSlot().isEmpty() ? QCoreApplication::applicationName() : titleSlot();
}

}  // namespace pellix
