// One installable file beside the program, and the ordered list of them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ComponentRecord {
    std::string FullPath;     // short setup directory + long file name
    std::string DisplayName;  // the row text
};

// Append-only; entry i always describes row i of the selection list.
class ComponentCatalogue {
public:
    using const_iterator = std::vector<ComponentRecord>::const_iterator;

    void Append(const ComponentRecord& record) { records_.push_back(record); }
    std::size_t Count() const { return records_.size(); }
    const ComponentRecord& At(std::size_t index) const { return records_[index]; }

    const_iterator begin() const { return records_.begin(); }
    const_iterator end() const { return records_.end(); }

private:
    std::vector<ComponentRecord> records_;
};
