#pragma once

class CArchive;

// Root of the serializable records. Records own their data and write or
// read themselves through an archive.
class CObject
{
public:
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);

protected:
    CObject() = default;
};
