// Line reading as the Windows C runtime's text mode ("r") delivers a file:
// CR LF reads as LF, a lone CR stays, and the first Ctrl-Z ends the file.
// For seams and fakes that start from raw bytes.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace platform {

class TextModeReader {
public:
    // fgets over the bytes that next() returns one at a time (-1 at the
    // end): at most size - 1 bytes, ending after the first LF, always
    // terminated; false when nothing is left.
    template <class NextByte>
    bool ReadLine(NextByte&& next, char* buffer, int size) {
        if (size < 1 || Peek(next) < 0) return false;
        int n = 0;
        while (n < size - 1 && Peek(next) >= 0) {
            const int c = Take();
            buffer[n++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        buffer[n] = '\0';
        return true;
    }

private:
    static constexpr int kNone = -2;
    static constexpr int kCtrlZ = 0x1A;

    template <class NextByte>
    int Peek(NextByte& next) {
        if (converted_ != kNone || ended_) return ended_ ? -1 : converted_;
        int c = raw_ != kNone ? raw_ : next();
        raw_ = kNone;
        if (c == '\r') {
            const int following = next();
            if (following == '\n')
                c = '\n';
            else
                raw_ = following;  // read again next time, Ctrl-Z and end included
        }
        if (c < 0 || c == kCtrlZ) {
            ended_ = true;
            return -1;
        }
        converted_ = c;
        return c;
    }
    int Take() {
        const int c = converted_;
        converted_ = kNone;
        return c;
    }

    int raw_ = kNone;        // a byte read ahead after a CR
    int converted_ = kNone;  // the next byte as text mode gives it
    bool ended_ = false;
};

// A file's raw bytes, held in memory, read as text mode reads them.
class TextModeString final : public TextFile {
public:
    explicit TextModeString(std::string raw) : raw_(std::move(raw)) {}
    bool ReadLine(char* buffer, int size) override {
        return reader_.ReadLine(
            [this] { return pos_ < raw_.size() ? static_cast<unsigned char>(raw_[pos_++]) : -1; },
            buffer, size);
    }

private:
    std::string raw_;
    std::size_t pos_ = 0;
    TextModeReader reader_;
};

}  // namespace platform
