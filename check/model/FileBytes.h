// A file of the folder, once either machine's side has opened it as a
// regular file, read at any offset through the C runtime.
#pragma once

#include <algorithm>
#include <cstdio>

#include "check/readers/RandomBytes.h"
#include "platform/OpenFile.h"

namespace check {

class FileBytes final : public RandomBytes {
public:
    FileBytes(platform::OpenFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t at, std::size_t count, std::string& out) override {
        out.clear();
        if (at >= size_) return true;
        count = static_cast<std::size_t>(std::min<uint64_t>(count, size_ - at));
#ifdef _WIN32
        if (_fseeki64(file_.get(), static_cast<__int64>(at), SEEK_SET) != 0) return false;
#else
        if (fseeko(file_.get(), static_cast<off_t>(at), SEEK_SET) != 0) return false;
#endif
        out.resize(count);
        out.resize(std::fread(&out[0], 1, count, file_.get()));
        return !std::ferror(file_.get());
    }

private:
    platform::OpenFile file_;
    uint64_t size_;
};

}  // namespace check
