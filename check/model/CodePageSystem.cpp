#include "check/model/CodePageSystem.h"

namespace check {

class CodePageSystem::Search final : public platform::FileSearch {
public:
    Search(std::unique_ptr<platform::FileSearch> inner, CodePageSystem& owner)
        : inner_(std::move(inner)), owner_(owner) {}
    bool Next(platform::FoundFile& found) override {
        if (!inner_->Next(found)) return false;
        std::string converted;
        const bool exact = owner_.text_.FromLocal(found.name, converted) == CodePage::Fit::Exact;
        owner_.names_[converted] = Name{found.name, exact};
        found.name = converted;
        return true;
    }

private:
    std::unique_ptr<platform::FileSearch> inner_;
    CodePageSystem& owner_;
};

std::string CodePageSystem::Display(const std::string& converted) {
    auto it = names_.find(converted);
    if (it != names_.end()) return text_.LocalToUtf8(it->second.local);
    std::string utf8;
    text_.ToUtf8(converted, utf8);
    return utf8;
}

bool CodePageSystem::Local(const std::string& converted, std::string& local) const {
    auto it = names_.find(converted);
    if (it == names_.end() || !it->second.exact) return false;
    local = it->second.local;
    return true;
}

std::unique_ptr<platform::FileSearch> CodePageSystem::FindFiles(const std::string& pattern) {
    std::unique_ptr<platform::FileSearch> search = inner_.FindFiles(pattern);
    if (!search) return nullptr;
    return std::make_unique<Search>(std::move(search), *this);
}

std::unique_ptr<platform::TextFile> CodePageSystem::OpenText(const std::string& path) {
    if (path.compare(0, folder_.size(), folder_) != 0) return inner_.OpenText(path);
    auto it = names_.find(path.substr(folder_.size()));
    if (it == names_.end()) return inner_.OpenText(path);
    // A name that does not convert exactly cannot be opened, as on Windows.
    return it->second.exact ? inner_.OpenText(folder_ + it->second.local) : nullptr;
}

}  // namespace check
