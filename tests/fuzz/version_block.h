// version.dll over a raw version resource in the 32-bit layout, as the ANSI
// calls serve it. Each node: WORD wLength, WORD wValueLength, WORD wType
// (1 text, wValueLength in characters; 0 binary, in bytes), the key in UTF-16
// with its terminator, padding to 32 bits, the value, padding, the children.
// The buffer the program is told to allocate is the resource twice plus four
// bytes: the ANSI call copies each text it returns into the second half, at
// the text's own offset, and returns that copy.
//
// Every offset is checked against the resource and the buffer, so whatever
// the bytes, the model itself never reads or writes outside them.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace fuzz {

class VersionBlockModel {
public:
    explicit VersionBlockModel(std::string resource) : resource_(std::move(resource)) {}

    // GetFileVersionInfoSizeA: 0 without a resource.
    uint32_t Size() const {
        return resource_.empty() ? 0 : static_cast<uint32_t>(2 * resource_.size() + 4);
    }

    // GetFileVersionInfoA: the resource at the start, the rest zero.
    bool Fill(void* block, uint32_t size) {
        if (size == 0) return false;
        std::memset(block, 0, size);
        std::memcpy(block, resource_.data(), std::min<std::size_t>(size, resource_.size()));
        block_ = static_cast<unsigned char*>(block);
        size_ = size;
        return true;
    }

    // VerQueryValueA. "\\" gives the root's value (the fixed information) with
    // its length in bytes; a text gives its ANSI copy and its length in
    // characters, the terminator included when the resource counts it.
    bool Query(const void* block, const char* subBlock, const void** value, uint32_t* length) {
        if (block != block_ || block_ == nullptr) return false;
        const std::size_t limit = std::min<std::size_t>(resource_.size(), size_);
        Node node;
        if (!Parse(0, limit, node)) return false;
        for (const char* part = subBlock; *part;) {
            if (*part == '\\') {
                ++part;
                continue;
            }
            std::size_t n = std::strcspn(part, "\\");
            if (!FindChild(node, part, n, node)) return false;
            part += n;
        }
        if (node.type != 1) {
            *value = block_ + node.value;
            *length = static_cast<uint32_t>(node.valueEnd - node.value);
            return true;
        }
        const std::size_t characters = (node.valueEnd - node.value) / 2;
        const std::size_t copy = resource_.size() + 4 + node.value;
        if (copy + characters > size_) return false;
        for (std::size_t i = 0; i < characters; ++i) {
            const unsigned unit = Word(node.value + 2 * i);
            block_[copy + i] = static_cast<unsigned char>(unit < 0x100 ? unit : '?');
        }
        *value = block_ + copy;
        *length = static_cast<uint32_t>(characters);
        return true;
    }

private:
    struct Node {
        std::size_t key = 0, keyUnits = 0;  // offset of the key and its length without terminator
        std::size_t value = 0, valueEnd = 0, children = 0, end = 0;
        unsigned type = 0;
    };

    static std::size_t Align(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }
    unsigned Word(std::size_t at) const { return block_[at] | block_[at + 1] << 8; }

    // The node at offset at, which must lie inside [at, limit).
    bool Parse(std::size_t at, std::size_t limit, Node& node) const {
        if (at + 6 > limit) return false;
        const std::size_t length = Word(at), valueLength = Word(at + 2);
        if (length < 6 || length > limit - at) return false;
        node.end = at + length;
        node.type = Word(at + 4);
        node.key = at + 6;
        std::size_t p = node.key;
        while (p + 2 <= node.end && Word(p) != 0) p += 2;
        if (p + 2 > node.end) return false;  // the key has no terminator
        node.keyUnits = (p - node.key) / 2;
        // A value or padding running past the node is cut at its end.
        node.value = std::min(Align(p + 2), node.end);
        const std::size_t valueBytes = valueLength * (node.type == 1 ? 2 : 1);
        node.valueEnd = std::min(node.value + valueBytes, node.end);
        node.children = std::min(Align(node.value + valueBytes), node.end);
        return true;
    }

    bool KeyIs(const Node& node, const char* name, std::size_t n) const {
        if (node.keyUnits != n) return false;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned unit = Word(node.key + 2 * i);
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (unit >= 0x80 ? unit != c : std::tolower(static_cast<int>(unit)) != std::tolower(c))
                return false;
        }
        return true;
    }

    bool FindChild(const Node& parent, const char* name, std::size_t n, Node& child) const {
        for (std::size_t at = parent.children; at < parent.end;) {
            Node candidate;
            if (!Parse(at, parent.end, candidate)) return false;
            if (KeyIs(candidate, name, n)) {
                child = candidate;
                return true;
            }
            at = Align(candidate.end);
        }
        return false;
    }

    std::string resource_;
    unsigned char* block_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace fuzz
