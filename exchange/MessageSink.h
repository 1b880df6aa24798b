// What an exchange buffer needs of the operation it works for: the host's message list with
// its status column and progress, and the language link for its texts. The operation object
// implements it; a buffer made without an operation reports nothing.
#pragma once

#include <cstdint>
#include <string>

class TMLgExtTools;

// The state shown in a message line's status column.
enum LPVState : int32_t {
  LPV_Ok = 0,
  LPV_Error = 1,
  LPV_Warning = 2,
  LPV_Percent = 3,
  LPV_Value = 4,
  LPV_None = 5,
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Announces a step: a new line with a state and a progress maximum.
  virtual void MsgAdd(const std::string& text, LPVState state, int max) = 0;
  // Shows progress on the last line.
  virtual void MsgP(int progress) = 0;
  // Closes the last line with a state.
  virtual void MsgS(LPVState state) = 0;
  // The host's translation service; null when there is none.
  virtual TMLgExtTools* GetLgLink() const = 0;
};
