#pragma once

// What the transfer asks of the configuration form, without depending on
// widgets: the form (the document's first view) implements it.
class CQZMFormAccess
{
public:
    virtual ~CQZMFormAccess() = default;

    // Current selection of the Baudrate list: 0 "9600", 1 "19200", -1 none.
    virtual int GetBaudRateSelection() const = 0;
};
