#include "sim/serial/modem.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace sim {
namespace {

constexpr std::size_t kMaxLine = 256;  // longer command lines are refused whole

std::string Result(const char* text) { return std::string("\r\n") + text + "\r\n"; }

bool IsDataCall(std::string_view number) {
    if (!number.empty() && (number[0] == 'T' || number[0] == 'P')) number.remove_prefix(1);
    return number.size() >= 4 && number.substr(0, 3) == "*99" && number.back() == '#';
}

}  // namespace

std::string Modem::Feed(std::string_view input) {
    std::string out;
    for (const char c : input) {
        if (online_) {
            if (c == '+') {
                if (++pluses_ < 3) continue;
                pluses_ = 0;
                online_ = false;
                out += Result("OK");
                continue;
            }
            out.append(static_cast<std::size_t>(pluses_), '+');  // not an escape after all
            pluses_ = 0;
            out += c;
            continue;
        }
        if (echo_) out += c;
        if (c == '\r') {
            out += Execute(std::exchange(line_, {}));
        } else if (c == '\b' || c == 0x7F) {
            if (!line_.empty()) line_.pop_back();
        } else if (c != '\n') {
            if (line_.size() < kMaxLine) line_ += c;
            else overlong_ = true;
        }
    }
    return out;
}

std::string Modem::Execute(std::string line) {
    if (std::exchange(overlong_, false)) return Result("ERROR");
    line.erase(std::remove(line.begin(), line.end(), ' '), line.end());
    std::transform(line.begin(), line.end(), line.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (line.empty()) return {};
    if (line == "AT") return Result("OK");
    if (line == "ATZ") {
        echo_ = true;
        call_ = false;
        return Result("OK");
    }
    if (line == "ATE0" || line == "ATE1" || line == "ATE") {
        echo_ = line == "ATE1";
        return Result("OK");
    }
    if (line == "ATI") return Result("Nimbrel simulated phone modem") + Result("OK");
    if (line.rfind("AT+CGDCONT=", 0) == 0) return Result("OK");
    if (line.rfind("ATD", 0) == 0) {
        if (!IsDataCall(std::string_view(line).substr(3))) return Result("NO CARRIER");
        online_ = call_ = true;
        return Result("CONNECT");
    }
    if (line == "ATO" || line == "ATO0") {
        if (!call_) return Result("NO CARRIER");
        online_ = true;
        return Result("CONNECT");
    }
    if (line == "ATH" || line == "ATH0") {
        if (!std::exchange(call_, false)) return Result("OK");
        return Result("NO CARRIER") + Result("OK");
    }
    return Result("ERROR");
}

}  // namespace sim
