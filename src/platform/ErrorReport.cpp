#include "ErrorReport.h"

#include "Prompts.h"

#include <QString>

namespace pellix {
namespace {

void defaultHandler(const std::exception& e) { prompts().error(QString::fromLocal8Bit(e.what())); }

ErrorHandler& handlerSlot() {
  static ErrorHandler handler = defaultHandler;
  return handler;
}

}  // namespace

ErrorHandler setErrorHandler(ErrorHandler handler) {
  ErrorHandler previous = std::move(handlerSlot());
  handlerSlot() = handler ? std::move(handler) : ErrorHandler(defaultHandler);
  return previous;
}

void reportException(std::exception_ptr e) {
  if (!e) return;
  try {
    std::rethrow_exception(e);
  } catch (const SilentException&) {
  } catch (const std::exception& ex) {
    // A copy, so that a handler replacing itself does not destroy what runs.
    ErrorHandler h = handlerSlot();
    h(ex);
  } catch (...) {
    ErrorHandler h = handlerSlot();
    h(std::runtime_error("Unknown error"));
  }
}

}  // namespace pellix
