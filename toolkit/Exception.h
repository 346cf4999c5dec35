#pragma once
// The windows' exception kind. Every failure that a handler lets escape
// reaches the application's error display, which shows Message().

#include <exception>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
};

// Raised by the window-side number conversions (NumberText.h). The message
// quotes the whole text that failed, unchanged.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};
