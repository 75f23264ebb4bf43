#include "DialogInit102.h"

// No records yet: only the closing 16-bit zero.
const unsigned char kDialogInit102[] = {0x00, 0x00};
const std::size_t kDialogInit102Size = sizeof(kDialogInit102);
