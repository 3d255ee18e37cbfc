// The service object's error classes. Each carries only its message text; none
// carries a result code. Errors are caught at fixed sites and turned into
// trace lines, defaults or result codes.
#ifndef QV_SERVICE_OBJECT_CORE_ERRORS_H_
#define QV_SERVICE_OBJECT_CORE_ERRORS_H_

#include <stdexcept>
#include <string>

// Root of the service object's errors.
class QVError : public std::runtime_error {
 public:
  explicit QVError(const std::string& message) : std::runtime_error(message) {}
};

// A rejected argument of a printer method.
class OposError : public QVError {
 public:
  using QVError::QVError;
};

// A failed callback into the control object; an event record read as the
// wrong kind.
class OposEventError : public OposError {
 public:
  using OposError::OposError;
};

// Event queue misuse.
class OposQueueError : public OposError {
 public:
  using OposError::OposError;
};

// Configuration store failures ("Error opening ..." / "Error retrieving ...").
class OposRegistryError : public OposError {
 public:
  using OposError::OposError;
};

// Base of the channel errors.
class CommError : public QVError {
 public:
  using QVError::QVError;
};

class SerialCommError : public CommError {
 public:
  using CommError::CommError;
};

class UsbCommError : public CommError {
 public:
  using CommError::CommError;
};

class CommArbiterError : public QVError {
 public:
  using QVError::QVError;
};

// A number that cannot be turned into text, or text that is not a number.
// Deliberately not a QVError.
class StringError : public std::runtime_error {
 public:
  explicit StringError(const std::string& message) : std::runtime_error(message) {}
};

#endif  // QV_SERVICE_OBJECT_CORE_ERRORS_H_
