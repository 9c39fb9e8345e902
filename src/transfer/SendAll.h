#pragma once

#include <memory>

class CQZMDoc;
class CSerialLink;
class CTransferObserver;

// Send All from the window: wait cursor, progress dialog over the view,
// message boxes for failures, and the observer (the Transfer Monitor's
// history) following the transfer's record.
void SendAllFromWindowObserved(CQZMDoc& doc, CTransferObserver& observer);
// The same over a given link (tests script the device with it).
void SendAllFromWindowOverLink(CQZMDoc& doc, std::unique_ptr<CSerialLink> link,
                               CTransferObserver* observer = nullptr);
