// The ELZAB driver's export buffer: the framework's buffer with a typed link to the
// operation that made it.
#pragma once

#include "exchange/KSExpBuf.h"

class TrelvaxAction;

class TrelvaxExpBuf : public KSExpBuf {
 public:
  explicit TrelvaxExpBuf(TrelvaxAction* action);

  TrelvaxAction* ksaction;
};
