#include "framework/Object.h"

void CObject::Serialize(CArchive&) {}
