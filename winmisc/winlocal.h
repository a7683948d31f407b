// Definitions shared by the window utilities and their callers: buffer sizes
// and the platform header.
#ifndef ORVANTA_WINLOCAL_H
#define ORVANTA_WINLOCAL_H

#include "platform.h"

#define VRX_MESSAGE_SIZE 576     // a composed message or caption, NUL included
#define VRX_LIST_ITEM_SIZE 512   // one list-box item, NUL included
#define VRX_CLIPBOARD_SIZE 0xFFFF  // the clipboard block: text and its NUL

#endif
