// The ELZAB driver's export buffer: the framework's buffer, reporting into the operation's
// list.
#pragma once

#include "exchange/KSExpBuf.h"

class MessageSink;

class TrelvaxExpBuf : public KSExpBuf {
 public:
  explicit TrelvaxExpBuf(MessageSink* action);
};
