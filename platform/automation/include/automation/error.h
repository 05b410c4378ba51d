#pragma once
// Errors of the automation platform: a number, a source and a description, raised as exceptions.

#include <cstdint>
#include <exception>
#include <string>

namespace automation {

// Standard error numbers the system meets.
namespace err {
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kInvalidPropertyValue = 380;
inline constexpr int32_t kFormAlreadyDisplayed = 400;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kMemberNotSupported = 438;
inline constexpr int32_t kAutomationError = 440;
inline constexpr int32_t kNamedArgumentNotFound = 448;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArgumentCount = 450;
// Application errors raised by objects: base plus the object's own number.
inline constexpr int32_t kObjectErrorBase = static_cast<int32_t>(0x80040000u);
}  // namespace err

// The standard description of a standard error number ("Overflow" for 6); empty when unknown
// (Error::standard then says "Application-defined or object-defined error").
std::string standardDescription(int32_t number);

class Error : public std::exception {
 public:
  Error(int32_t number, std::string source, std::string description);
  // A standard error with its standard description.
  static Error standard(int32_t number, std::string source = {});

  int32_t number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

// Raises a standard error (shorthand used all over the platform).
[[noreturn]] void raise(int32_t number, std::string source = {});

}  // namespace automation
