#pragma once

class CArchive;
class CQZMDoc;

// The .qzm file layout, format version 3 written, older versions read.
void StoreQZMDocument(CQZMDoc& doc, CArchive& ar);
void LoadQZMDocument(CQZMDoc& doc, CArchive& ar);
