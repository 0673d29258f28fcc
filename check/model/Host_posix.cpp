// setup-check on a POSIX system: the folder through the POSIX seam, names
// and arguments taken as UTF-8 (what Linux tools write onto a CD or a
// Windows drive), code pages through iconv.
#include <iconv.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "check/model/FileBytes.h"
#include "check/model/Host.h"
#include "check/readers/Utf8.h"
#include "platform/PosixSystem.h"

namespace check {

const char kPathSeparator = '/';

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts text; at each place where it cannot go on, onStop(position)
    // appends a stand-in and gives how many bytes to skip.
    template <class OnStop>
    std::string Convert(const std::string& text, OnStop onStop) {
        std::string out;
        std::size_t at = 0;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        while (at < text.size()) {
            char buffer[1024];
            char* in = const_cast<char*>(text.data() + at);
            std::size_t inLeft = text.size() - at, outLeft = sizeof buffer;
            char* outPtr = buffer;
            const std::size_t done = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            at = text.size() - inLeft;
            if (done != static_cast<std::size_t>(-1)) break;
            if (error == E2BIG) continue;
            at += onStop(at, out);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
};

class IconvCodePage final : public CodePage {
public:
    IconvCodePage(const std::string& name, bool utf8)
        : toCodePage_(name.c_str(), "UTF-8"), toUtf8_("UTF-8", name.c_str()), utf8_(utf8) {}
    bool Valid() const { return toCodePage_.Valid() && toUtf8_.Valid(); }

    Fit FromLocal(const std::string& local, std::string& converted) override {
        Fit fit = Fit::Exact;
        converted = toCodePage_.Convert(local, [&](std::size_t at, std::string& out) {
            const std::size_t n = Utf8CharLength(local, at);
            if (n == 0) fit = Fit::NotValid;
            if (n != 0 && fit == Fit::Exact) fit = Fit::CannotShow;
            out += '?';
            return n == 0 ? 1 : n;
        });
        return fit;
    }
    bool ToUtf8(const std::string& bytes, std::string& utf8) override {
        bool valid = true;
        utf8 = toUtf8_.Convert(bytes, [&](std::size_t at, std::string& out) {
            valid = false;
            out += EscapedByte(static_cast<unsigned char>(bytes[at]));
            return std::size_t{1};
        });
        return valid;
    }
    std::string LocalToUtf8(const std::string& local) override { return EscapeInvalidUtf8(local); }
    bool IsUtf8() const override { return utf8_; }

private:
    Converter toCodePage_, toUtf8_;
    bool utf8_;
};

// A regular file opened for reading, and its size; null when it cannot be.
platform::OpenFile Open(const std::string& path, uint64_t& size) {
    platform::OpenFile file = platform::OpenRegularFile(path);
    struct stat info {};
    if (!file || fstat(fileno(file.get()), &info) != 0) return nullptr;
    size = static_cast<uint64_t>(info.st_size);
    return file;
}

class PosixHost final : public Host {
public:
    explicit PosixHost(std::unique_ptr<CodePage> text) : text_(std::move(text)) {}
    platform::System& System() override { return system_; }
    CodePage& Text() override { return *text_; }
    std::unique_ptr<RandomBytes> OpenRandom(const std::string& path) override {
        uint64_t size = 0;
        platform::OpenFile file = Open(path, size);
        if (!file) return nullptr;
        return std::make_unique<FileBytes>(std::move(file), size);
    }
    std::string OrderNote() override {
        return "within each kind, files are taken by name without regard to case, the order "
               "of a CD or an NTFS volume; a FAT drive (a USB stick) gives the order the files "
               "were copied in, which may differ";
    }

private:
    platform::PosixSystem system_;
    std::unique_ptr<CodePage> text_;
};

}  // namespace

unsigned DefaultCodePage(std::string& source) {
    // A Linux machine has no ANSI code page; Western European is the most
    // common one.
    source = "assumed; give --codepage for the end user's";
    return 1252;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::unique_ptr<CodePage> MakeCodePage(unsigned codePage, std::string& error) {
    const bool utf8 = codePage == 65001;
    auto text = std::make_unique<IconvCodePage>(utf8 ? "UTF-8" : "CP" + std::to_string(codePage),
                                                utf8);
    if (text->Valid()) return text;
    error = "code page " + std::to_string(codePage) + " is not known to this system's iconv";
    return nullptr;
}

std::unique_ptr<Host> MakeHost(unsigned codePage, std::string& error) {
    std::unique_ptr<CodePage> text = MakeCodePage(codePage, error);
    if (!text) return nullptr;
    return std::make_unique<PosixHost>(std::move(text));
}

void WriteText(bool toError, const std::string& utf8) {
    std::FILE* stream = toError ? stderr : stdout;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace check
