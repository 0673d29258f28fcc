// A file of a vendor's read at any offset: what every reader of whole files
// (cabinets, and through them the setup files inside) takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace check {

class RandomBytes {
public:
    virtual ~RandomBytes() = default;
    virtual uint64_t Size() const = 0;
    // Up to count bytes at at; false on a failure to read (not at the end).
    virtual bool ReadAt(uint64_t at, std::size_t count, std::string& out) = 0;
};

class MemoryBytes final : public RandomBytes {
public:
    explicit MemoryBytes(std::string bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t at, std::size_t count, std::string& out) override {
        out = at < bytes_.size() ? bytes_.substr(static_cast<std::size_t>(at), count) : "";
        return true;
    }

private:
    std::string bytes_;
};

}  // namespace check
