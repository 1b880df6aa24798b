#include "hostlib/Exceptions.h"

int EMException::Language = 0;
