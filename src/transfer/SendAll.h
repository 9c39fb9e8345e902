#pragma once

class CQZMDoc;

// Sends the whole configuration of the document to the device.
void SendAllFromWindow(CQZMDoc& doc);
