#pragma once
// The requests a process's radio takes on its control socket:
//   hello                   -> "ok PID PROGRAM"
//   leave ADDRESS           -> the device goes out of range
//   return ADDRESS          -> it comes back
//   pair-request ADDRESS    -> it asks to pair
//   serial-connect ADDRESS  -> it connects to our serial server
//   push ADDRESS PATH       -> it pushes the file (an absolute path, encoded as a control word)
//                              to our Object Push server: "ok RESPONSE" or "refused RESPONSE"
//   browse ADDRESS          -> it lists our File Transfer server's folder: "ok LISTING" (the
//                              listing's XML encoded as a control word) or "refused RESPONSE"
// Each answers "ok" or "error: WHY". Requests are served one at a time: a push holds the
// others until it is over.
#include <string>

#include "sim/export.h"
#include "sim/radio.h"

namespace sim {

// The reply line to one request line (at most kMaxControlRequest bytes, without its newline).
// Offered by the library so that the fuzz target reaches the parsing without a socket.
NIMBREL_SIM_API std::string AnswerControlRequest(Radio& radio, const std::string& request);

// Starts this process's control server for its radio, once; later calls do nothing. The
// server stops at exit (in the process that started it only: a forked child leaves it alone).
// Without a usable run-time folder the radio runs without one.
void ServeRadioControl();

}  // namespace sim
