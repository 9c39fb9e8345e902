#include "transfer/SendAll.h"

#include "document/QZMDoc.h"

void SendAllFromWindow(CQZMDoc&) {}
