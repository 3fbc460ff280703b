#pragma once

class TSerial;

// The owner of the program's one serial port field. Every exchange opens the port through
// openPort() and closes it with closePort(); nothing holds it open in between.
class PortOwner
{
public:
    virtual ~PortOwner() = default;

    // Creates the port into `serial` and applies the line settings; throws TextError
    // ("Sériový port COMn nelze otevřít") when it cannot be opened.
    virtual void openPort() = 0;
    // Deletes the port in `serial` (if any) and sets it to null.
    virtual void closePort() = 0;

    TSerial *serial = nullptr;
};
