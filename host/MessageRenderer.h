// Shows the driver's message list to a person. The driver appends lines (service 12) and
// replaces the last one (service 13) to move progress along; a line may carry a status
// column after the byte 0x01 ("OK", "25 %", a count). Significance 0 is normal, 1 a warning,
// 2 an error.
//
// On a terminal that understands escape sequences the last line is redrawn in place, so a
// percentage moves on one line, and warnings and errors are coloured. Anywhere else (a file,
// a pipe, the log) every line is written once, in its final form, when the next line
// supersedes it or the operation ends, so a log holds the outcome of each step rather than
// every tick of its progress.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tvkhost {

// One line of the list in its last form, Windows-1250 as the driver sent it.
struct MessageLine {
  int significance = 0;
  std::string text;
};

class MessageRenderer {
 public:
  // Receives UTF-8 text ready to be written out.
  using Sink = std::function<void(const std::string& utf8)>;

  // `live`: the screen is a terminal that understands escape sequences. `width`: its width
  // in columns (the status column ends one column short of it). `log` may be empty.
  MessageRenderer(bool live, int width, Sink screen, Sink log);

  void Add(int significance, const std::string& line);
  void ReplaceLast(int significance, const std::string& line);
  // A line of the host's own (Windows-1250), set apart from the driver's.
  void Note(const std::string& text);
  // A line for the log alone (what already went to the standard error).
  void LogOnly(const std::string& text);
  // Writes out the line still held back; call at the end of each operation.
  void Flush();

  // Lines of significance 2 written out since the last call of TakeHistory.
  int ErrorLines() const { return errors_; }
  // The lines written out since the last call, and starts a new count.
  std::vector<MessageLine> TakeHistory();

  // A message line laid out for a `width`-column screen without colour: a marker ("  "
  // normal, "W " warning, "E " error), the text, and the status column right-aligned.
  // Windows-1250 in and out.
  static std::string Layout(int significance, const std::string& line, int width);

 private:
  void Finish();
  void Draw(const MessageLine& line);
  std::string Colour(const MessageLine& line) const;

  bool live_;
  int width_;
  Sink screen_;
  Sink log_;
  bool pending_ = false;  // a line is held: the driver may still replace it
  MessageLine last_;
  int drawnRows_ = 0;  // live: rows the held line takes on the screen
  int errors_ = 0;
  std::vector<MessageLine> history_;
};

}  // namespace tvkhost
