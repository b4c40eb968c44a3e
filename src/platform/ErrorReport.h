#pragma once
// One replaceable, application-wide error report. Exceptions that leave an event
// handler, and those carried over from the serial port's threads, end here.
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace pellix {

// An exception that only aborts an operation; the report drops it.
class SilentException : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

using ErrorHandler = std::function<void(const std::exception&)>;

// Replaces the handler and returns the previous one. An empty handler restores
// the default, which shows the message in an error prompt.
ErrorHandler setErrorHandler(ErrorHandler handler);
void reportException(std::exception_ptr e);

// Runs fn; an exception that leaves it goes to the report. Returns false then.
template <class F>
bool guarded(F&& fn) {
  try {
    fn();
    return true;
  } catch (...) {
    reportException(std::current_exception());
    return false;
  }
}

}  // namespace pellix
