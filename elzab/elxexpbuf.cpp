#include "elzab/elxexpbuf.h"

TrelvaxExpBuf::TrelvaxExpBuf(MessageSink* action) : KSExpBuf(action) {}
