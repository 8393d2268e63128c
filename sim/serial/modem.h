#pragma once
// A phone's dial-up modem as a terminal sees it: Hayes AT commands (AT, ATZ, ATE0/ATE1, ATI,
// AT+CGDCONT=..., ATD*99# to go on line, ATO, ATH), results framed "\r\nOK\r\n". On line every
// byte comes back (a loop) until the escape "+++", which returns to commands with the call held.
#include <string>
#include <string_view>

#include "sim/export.h"

namespace sim {

class NIMBREL_SIM_API Modem {
public:
    // What the modem sends back for these bytes from the terminal.
    std::string Feed(std::string_view input);

private:
    std::string Execute(std::string line);

    bool echo_ = true;
    bool online_ = false;  // passing data
    bool call_ = false;    // a data call is up (on line, or held after the escape)
    std::string line_;     // the command being typed
    bool overlong_ = false;
    int pluses_ = 0;       // escape characters held back while on line
};

}  // namespace sim
