// The helper's registry layer: 8-bit names and texts, the ANSI calls.
#include "support/RegistryImpl.h"

template class BasicRegistry<char>;
