#pragma once

#include <memory>

class CQZMDoc;
class CSerialLink;

// Send All from the window: wait cursor, progress dialog over the view,
// message boxes for failures.
void SendAllFromWindow(CQZMDoc& doc);
// The same over a given link (tests script the device with it).
void SendAllFromWindowOverLink(CQZMDoc& doc, std::unique_ptr<CSerialLink> link);
