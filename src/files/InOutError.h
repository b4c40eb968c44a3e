#pragma once
// A file that cannot be opened, read or written. The application-wide error report
// shows its message.
#include <QString>
#include <stdexcept>

namespace pellix {

class InOutError : public std::runtime_error {
 public:
  explicit InOutError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

}  // namespace pellix
