// The installer's registry layer: wide names and texts.
#include "support/RegistryImpl.h"

template class BasicRegistry<wchar_t>;
