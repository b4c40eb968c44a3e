#pragma once
// Application classes whose every exception leaving an event handler is routed to
// the error report instead of unwinding through Qt's event loop.
#include "ErrorReport.h"

#include <QCoreApplication>

namespace pellix {

template <class Base>
class GuardedApplication : public Base {
 public:
  GuardedApplication(int& argc, char** argv) : Base(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return Base::notify(receiver, event);
    } catch (...) {
      reportException(std::current_exception());
      return false;
    }
  }
};

using PellixCoreApplication = GuardedApplication<QCoreApplication>;

}  // namespace pellix
