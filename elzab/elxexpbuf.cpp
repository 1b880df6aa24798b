#include "elzab/elxexpbuf.h"

#include "elzab/elxaction.h"

TrelvaxExpBuf::TrelvaxExpBuf(TrelvaxAction* action) : KSExpBuf(action), ksaction(action) {}
