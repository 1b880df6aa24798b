#include "host/MessageRenderer.h"

#include <utility>

#include "host/Text.h"

namespace tvkhost {

namespace {

constexpr char kStatusSeparator = '\x01';
constexpr char kReset[] = "\x1b[0m";
constexpr char kYellow[] = "\x1b[33m";
constexpr char kRed[] = "\x1b[1;31m";
constexpr char kGreen[] = "\x1b[32m";

const char* Marker(int significance) {
  switch (significance) {
    case 1:
      return "W ";
    case 2:
      return "E ";
    default:
      return "  ";
  }
}

// Text and status column; control characters inside either would break the layout.
void SplitStatus(const std::string& line, std::string& text, std::string& status) {
  size_t sep = line.find(kStatusSeparator);
  text = sep == std::string::npos ? line : line.substr(0, sep);
  status = sep == std::string::npos ? std::string() : line.substr(sep + 1);
  for (std::string* s : {&text, &status}) {
    for (char& c : *s) {
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  status = Trim(status);
}

}  // namespace

MessageRenderer::MessageRenderer(bool live, int width, Sink screen, Sink log)
    : live_(live),
      width_(width < 20 ? 80 : width),
      screen_(std::move(screen)),
      log_(std::move(log)) {}

std::string MessageRenderer::Layout(int significance, const std::string& line, int width) {
  std::string text;
  std::string status;
  SplitStatus(line, text, status);
  std::string out = Marker(significance) + text;
  if (status.empty()) return out;
  // Windows-1250 is one byte per character, so sizes are columns.
  size_t room = width > 1 ? static_cast<size_t>(width - 1) : 0;
  if (out.size() + 1 + status.size() <= room) {
    out.append(room - out.size() - status.size(), ' ');
  } else {
    out += ' ';
  }
  return out + status;
}

std::string MessageRenderer::Colour(const MessageLine& line) const {
  std::string laid = Cp1250ToUtf8(Layout(line.significance, line.text, width_));
  if (line.significance == 1) return kYellow + laid + kReset;
  if (line.significance == 2) return kRed + laid + kReset;
  std::string text;
  std::string status;
  SplitStatus(line.text, text, status);
  if (status == "OK" && laid.size() >= 2 && laid.compare(laid.size() - 2, 2, "OK") == 0) {
    return laid.substr(0, laid.size() - 2) + kGreen + "OK" + kReset;
  }
  return laid;
}

void MessageRenderer::Draw(const MessageLine& line) {
  std::string laid = Layout(line.significance, line.text, width_);
  drawnRows_ = static_cast<int>((laid.size() + static_cast<size_t>(width_) - 1) /
                                static_cast<size_t>(width_));
  if (drawnRows_ < 1) drawnRows_ = 1;
  screen_(Colour(line) + "\n");
}

void MessageRenderer::Finish() {
  if (!pending_) return;
  pending_ = false;
  std::string plain = Cp1250ToUtf8(Layout(last_.significance, last_.text, width_)) + "\n";
  if (!live_) screen_(plain);
  if (log_) log_(plain);
  if (last_.significance == 2) ++errors_;
  history_.push_back(last_);
}

void MessageRenderer::Add(int significance, const std::string& line) {
  Finish();
  last_ = MessageLine{significance, line};
  pending_ = true;
  if (live_) Draw(last_);
}

void MessageRenderer::ReplaceLast(int significance, const std::string& line) {
  if (!pending_) {
    // The line to replace is already out (a note came between): show the new form anew.
    Add(significance, line);
    return;
  }
  last_ = MessageLine{significance, line};
  if (live_) {
    // Up to the first row of the held line, clear from there down, draw it again.
    screen_("\x1b[" + std::to_string(drawnRows_) + "F\x1b[J");
    Draw(last_);
  }
}

void MessageRenderer::Note(const std::string& text) {
  Finish();
  std::string utf8 = Cp1250ToUtf8(text) + "\n";
  screen_(utf8);
  if (log_) log_(utf8);
}

void MessageRenderer::LogOnly(const std::string& text) {
  Finish();
  if (log_) log_(Cp1250ToUtf8(text) + "\n");
}

void MessageRenderer::Flush() {
  Finish();
}

std::vector<MessageLine> MessageRenderer::TakeHistory() {
  Finish();
  std::vector<MessageLine> out;
  out.swap(history_);
  errors_ = 0;
  return out;
}

}  // namespace tvkhost
