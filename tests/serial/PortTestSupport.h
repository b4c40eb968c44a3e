#pragma once
// Shared by the port tests: records what reaches the error report and on which thread.
#include <QCoreApplication>
#include <QThread>
#include <string>
#include <vector>

#include "ErrorReport.h"

namespace pellix::test {

struct ReportedError {
  std::string message;
  bool onGuiThread;
};

class ErrorRecorder {
 public:
  ErrorRecorder() {
    previous_ = setErrorHandler([this](const std::exception& e) {
      errors.push_back({e.what(), QThread::currentThread() == QCoreApplication::instance()->thread()});
    });
  }
  ~ErrorRecorder() { setErrorHandler(previous_); }
  ErrorRecorder(const ErrorRecorder&) = delete;
  ErrorRecorder& operator=(const ErrorRecorder&) = delete;

  std::vector<ReportedError> errors;

 private:
  ErrorHandler previous_;
};

// Points COM<n> of the ports folder at a path that does not exist.
void linkMissing(int comNumber);

}  // namespace pellix::test
