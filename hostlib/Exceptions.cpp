#include "hostlib/Exceptions.h"

std::atomic<int> EMException::Language{0};
