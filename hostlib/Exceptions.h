// The host library's exception family. Every failure inside the driver is one of these,
// carrying its message text (already localised where the text is the system's own).
#pragma once

#include <atomic>
#include <exception>
#include <string>
#include <vector>

// A general error with a message text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  ~Exception() override = default;
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The silent abort: the user asked to stop. Reported as an interrupted operation.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A strict conversion (text to number or date) failed.
class EConvertError : public Exception {
 public:
  explicit EConvertError(std::string message) : Exception(std::move(message)) {}
};

// An error made of topics, each with a code, a title and a description.
class EMException : public Exception {
 public:
  struct Topic {
    int code;
    std::string title;
    std::string description;
  };

  EMException(int code, const std::string& title, const std::string& description)
      : Exception(description) {
    AddTopic(code, title, description);
  }
  void AddTopic(int code, const std::string& title, const std::string& description) {
    topics_.push_back(Topic{code, title, description});
  }
  const std::vector<Topic>& Topics() const { return topics_; }

  // The language of the host library's own texts, as the host set it.
  // Set by the host from any thread, read by every operation: atomic, so no read is torn.
  static std::atomic<int> Language;

 private:
  std::vector<Topic> topics_;
};
