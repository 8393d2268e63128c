#include "sim/control/control_socket.h"

#include "sim/control/control_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <limits>

namespace sim {
namespace {

constexpr const char* kPrefix = "radio-";
constexpr const char* kSuffix = ".sock";

}  // namespace

std::filesystem::path ControlSocketPath(const std::filesystem::path& folder, pid_t pid) {
    return folder / (kPrefix + std::to_string(pid) + kSuffix);
}

std::optional<pid_t> ControlSocketPid(const std::string& fileName) {
    const std::string prefix = kPrefix, suffix = kSuffix;
    if (fileName.size() <= prefix.size() + suffix.size() || fileName.compare(0, prefix.size(), prefix) != 0 ||
        fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string digits = fileName.substr(prefix.size(), fileName.size() - prefix.size() - suffix.size());
    if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const long long pid = std::stoll(digits);
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return std::nullopt;
    return static_cast<pid_t>(pid);
}

bool ReadControlLine(int fd, std::size_t limit, int deadlineMs, int cancel, std::string* line, bool* tooLong) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    *tooLong = false;
    line->clear();
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd waits[2] = {{fd, POLLIN, 0}, {cancel, POLLIN, 0}};
        const int ready = ::poll(waits, cancel >= 0 ? 2 : 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (cancel >= 0 && waits[1].revents)) return false;
        char buffer[4096];
        const ssize_t count = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return false;
        }
        if (count == 0) return !line->empty();  // the peer said all it had to say
        for (ssize_t i = 0; i < count; ++i) {
            if (buffer[i] == '\n') {
                if (!line->empty() && line->back() == '\r') line->pop_back();
                return true;
            }
            if (line->size() >= limit) {
                *tooLong = true;
                return false;
            }
            line->push_back(buffer[i]);
        }
    }
}

bool WriteControlLine(int fd, const std::string& line, int deadlineMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
    const std::string framed = line + "\n";
    std::size_t sent = 0;
    while (sent < framed.size()) {
        const ssize_t count = ::send(fd, framed.data() + sent, framed.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd wait{fd, POLLOUT, 0};
        if (::poll(&wait, 1, static_cast<int>(left)) < 0 && errno != EINTR) return false;
    }
    return true;
}

std::string EncodeControlWord(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string word;
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7F || c == '%') {
            word += '%';
            word += kHex[c >> 4];
            word += kHex[c & 0xF];
        } else {
            word += static_cast<char>(c);
        }
    }
    return word;
}

std::optional<std::string> DecodeControlWord(const std::string& word) {
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string text;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            text += word[i];
            continue;
        }
        if (i + 2 >= word.size()) return std::nullopt;
        const int high = digit(word[i + 1]), low = digit(word[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        text += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return text;
}

}  // namespace sim
