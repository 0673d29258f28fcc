// Input: byte 0 flags, bytes 1-2 the length the system reports (little
// endian), the rest the bytes it leaves in the caller's buffer. The same bytes,
// cut at the first NUL as the registry text would be, are the command
// template for the pure command-line builders.
//
// flags: bits 0-1 the HRESULT (S_OK, S_FALSE, E_POINTER, E_FAIL); bit 2 the
// length is the text's own plus its NUL instead of bytes 1-2; bit 3 the
// launch fails; bits 4-5 the number of components; bit 6 the registry read
// of the CE path answers ERROR_MORE_DATA.
#include <algorithm>
#include <vector>

#include "handoff/Handoff.h"
#include "resources/resource.h"
#include "tests/fuzz/FuzzSystem.h"

namespace {

const char* const kPaths[] = {"C:\\LONGSE~1\\Maps.prc", "C:\\LONGSE~1\\QM_Streets.pdb",
                              "C:\\LONGSE~1\\Two Words.prc"};

class ToolSystem : public fuzz::NullSystem {
public:
    uint8_t flags = 0;
    uint32_t reportedLength = 0;
    std::string bytes;  // what the call leaves in the buffer
    std::vector<std::string> launches;
    int boxes = 0;
    std::string lastWritten;  // the bytes the last call put in the caller's buffer
    uint32_t textLength = 0;  // the text's own length and NUL, as the system counts it

    long AssociationCommand(const char*, const char*, char* buffer, uint32_t* size) override {
        static const long kResults[] = {0, 1, fuzz::kEPointer, fuzz::kEFail};
        Answer(buffer, size);
        return kResults[flags & 3];
    }
    long ReadMachineValue(const char*, void* data, uint32_t* size, uint32_t*) override {
        Answer(static_cast<char*>(data), size);
        return flags & 0x40 ? platform::kErrorMoreData : platform::kErrorSuccess;
    }
    bool RunAndWait(std::string& commandLine, uint32_t& error) override {
        launches.push_back(commandLine);
        error = flags & 8 ? 2 : 0;
        return error == 0;
    }
    bool SystemErrorText(uint32_t, std::string& text) override {
        text = "The system cannot find the file specified.\r\n";
        return true;
    }
    int LoadResourceString(uint32_t id, char* buffer, int size) override {
        const std::string text = id == IDS_PALM_LAUNCH_FAILED ? "Launch failed.\n%s%s" : "Text";
        const int n = std::min(static_cast<int>(text.size()), size - 1);
        std::memcpy(buffer, text.data(), static_cast<std::size_t>(n));
        buffer[n] = '\0';
        return n;
    }
    void ShowMessageBox(platform::WindowHandle, const std::string&, const std::string&,
                        uint32_t) override {
        ++boxes;
    }

private:
    // The system never writes more than it was given room for.
    void Answer(char* buffer, uint32_t* size) {
        lastWritten = bytes.substr(0, *size);
        std::memcpy(buffer, lastWritten.data(), lastWritten.size());
        const std::size_t nul = bytes.find('\0');
        textLength = static_cast<uint32_t>(nul == std::string::npos ? bytes.size() + 1 : nul + 1);
        *size = flags & 4 ? textLength : reportedLength;
    }
};

void CheckReduced(const std::string& commandTemplate) {
    const std::string reduced = ReduceCommandTemplate(commandTemplate);
    FUZZ_CHECK(!reduced.empty() && reduced[0] == '"');
    if (commandTemplate[0] == '"') {
        // Up to the closing quote; an unclosed quote is passed on as registered.
        const std::size_t close = commandTemplate.find('"', 1);
        FUZZ_CHECK(reduced == (close == std::string::npos ? commandTemplate
                                                          : commandTemplate.substr(0, close + 1)));
        return;
    }
    FUZZ_CHECK(reduced.size() >= 2 && reduced.back() == '"' && reduced[reduced.size() - 2] != ' ');
    // The executable is cut from the template, never made up.
    FUZZ_CHECK(commandTemplate.compare(0, reduced.size() - 2, reduced, 1, reduced.size() - 2) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    ToolSystem system;
    system.flags = data[0];
    system.reportedLength = data[1] | data[2] << 8;
    system.bytes.assign(reinterpret_cast<const char*>(data) + 3, size - 3);

    ComponentCatalogue components;
    std::string paths;
    for (int i = 0; i < (system.flags >> 4 & 3); ++i) {
        components.Append({kPaths[i], "row"});
        paths += (i ? " " : "") + std::string(kPaths[i]);
    }

    const std::string commandTemplate = system.bytes.substr(0, system.bytes.find('\0'));
    if (!commandTemplate.empty()) CheckReduced(commandTemplate);
    FUZZ_CHECK(BuildPalmCommandLine(commandTemplate, components) ==
               ReduceCommandTemplate(commandTemplate) + " \"" + paths + "\"");
    FUZZ_CHECK(BuildCeCommandLine(commandTemplate, components)
                   .compare(0, commandTemplate.size() + 3, "\"" + commandTemplate + "\" ") == 0);

    const bool palm = InstallPalmComponents(system, nullptr, components);
    FUZZ_CHECK(system.launches.size() <= 1);
    FUZZ_CHECK(palm == (system.launches.size() == 1 && !(system.flags & 8)));
    FUZZ_CHECK(system.boxes == (palm ? 0 : 1));
    if (!system.launches.empty()) {
        const std::string& line = system.launches[0];
        FUZZ_CHECK(line.find('\0') == std::string::npos);
        FUZZ_CHECK((system.flags & 3) < 2);  // only a successful query launches
        // The template is what the system wrote, ending inside the length it
        // reported (the bytes it did not write are the caller's zeros).
        const std::string text = system.lastWritten.substr(0, system.lastWritten.find('\0'));
        const uint32_t reported = system.flags & 4 ? system.textLength : system.reportedLength;
        FUZZ_CHECK(text.size() < reported);
        FUZZ_CHECK(line == BuildPalmCommandLine(text, components));
    }

    system.launches.clear();
    system.boxes = 0;
    const bool ce = InstallCeComponents(system, nullptr, components);
    FUZZ_CHECK(ce == (system.launches.size() == 1 && !(system.flags & 8)));
    FUZZ_CHECK(system.boxes == (ce ? 0 : 1));
    if (!system.launches.empty()) {
        const std::string& line = system.launches[0];
        FUZZ_CHECK(!(system.flags & 0x40));
        FUZZ_CHECK(line.size() > 3 && line[0] == '"' && line.find('\0') == std::string::npos);
        // The registered path, not a byte beyond what the system wrote.
        FUZZ_CHECK(system.lastWritten.compare(0, line.find('"', 1) - 1, line, 1,
                                              line.find('"', 1) - 1) == 0);
    }
    return 0;
}
