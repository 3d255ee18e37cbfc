#include "service_object/core/errors.h"

#include <stdexcept>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

namespace {

// The catch sites rely on this hierarchy: a QVError site never sees a
// StringError, and an OposError site sees the event, queue and registry
// errors.
static_assert(std::is_base_of_v<std::runtime_error, QVError>);
static_assert(std::is_base_of_v<QVError, OposError>);
static_assert(std::is_base_of_v<OposError, OposEventError>);
static_assert(std::is_base_of_v<OposError, OposQueueError>);
static_assert(std::is_base_of_v<OposError, OposRegistryError>);
static_assert(std::is_base_of_v<QVError, CommError>);
static_assert(std::is_base_of_v<CommError, SerialCommError>);
static_assert(std::is_base_of_v<CommError, UsbCommError>);
static_assert(std::is_base_of_v<QVError, CommArbiterError>);
static_assert(!std::is_base_of_v<OposError, CommError>);
static_assert(!std::is_base_of_v<CommError, CommArbiterError>);
static_assert(std::is_base_of_v<std::runtime_error, StringError>);
static_assert(!std::is_base_of_v<QVError, StringError>);

// Which of the usual catch sites a thrown error reaches.
template <typename Error>
std::string CaughtAs(const std::string& message) {
  try {
    try {
      throw Error(message);
    } catch (const QVError& error) {
      return std::string("QVError: ") + error.what();
    }
  } catch (const std::runtime_error& error) {
    return std::string("runtime_error: ") + error.what();
  }
}

TEST(ErrorsTest, CatchSitesAndMessages) {
  EXPECT_EQ(CaughtAs<OposRegistryError>("Error opening X\\\\Model"),
            "QVError: Error opening X\\\\Model");
  EXPECT_EQ(CaughtAs<SerialCommError>("Unable to open (Code: 2)."),
            "QVError: Unable to open (Code: 2).");
  EXPECT_EQ(CaughtAs<StringError>("StringToNum"), "runtime_error: StringToNum");
}

}  // namespace
