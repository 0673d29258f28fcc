// setup-check: what setup.exe would make of a setup folder, found with
// setup.exe's own discovery and command-line code, and what in the folder is
// probably not what its vendor meant. It runs in stages, a folder each:
// readers/ read vendors' files from untrusted bytes; model/ reads the folder
// once, through the machine's side (its host); rules/ holds the table of
// rules and the families that emit findings by them; report/ formats the
// report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/rules/Rules.h"

namespace check {

class Host;  // check/model/Host.h

struct Request {
    std::string folder;       // local path ending in its separator
    std::string at = "D:\\";  // where the end user will have the folder
    std::string ceManager = "C:\\Program Files\\Microsoft ActiveSync\\CEAppMgr.exe";
    std::string palmCommand = "\"C:\\Program Files\\Palm Desktop\\Install Tool.exe\" \"%1\"";
};

// Every text below is UTF-8.
struct Finding {
    const Rule* rule;
    std::string file;  // empty: the folder as a whole
    int line;          // 0: none
    std::string reason;
    std::string pattern = {};  // the search pattern a finding is about, if any
    Severity severity() const { return rule->severity; }
};

// The file of a cabinet the device's installer reads first: a CE setup file
// ("*.000"), or a setup XML ("_setup.xml") for Smartphone and Windows Mobile
// 5.0 and later, which states no processor.
enum class SetupSource { CeSetupFile, SetupXml };

// A cabinet of a Windows CE row and the devices it installs on, from its
// setup file.
struct CabinetDevices {
    std::string file;        // relative to the folder
    bool known = false;      // its setup file was read
    SetupSource source = SetupSource::CeSetupFile;
    std::string setupFile;   // its name inside the cabinet
    std::string processor;   // "ARM StrongARM"
    std::string versions;    // "Windows CE 3.0 and later"
    std::string application, provider;
    std::vector<std::string> unsupported;
    // As a CE setup file states them: the processor's number, the least and
    // most Windows CE version (major, minor, build).
    uint32_t architecture = 0;
    uint32_t least[3] = {0, 0, 0}, most[3] = {0, 0, 0};
    std::string Devices() const { return known ? processor + ", " + versions : "unknown"; }
};

struct Row {
    std::string text;
    std::string file;
    int line;  // of the Description line; 0 for applications and databases
    std::vector<CabinetDevices> cabinets = {};  // a Windows CE row's, in CabFiles order
};

struct CommandLine {
    std::string tool;        // "ce" or "palm"
    std::string executable;  // the manager's path or the association's command
    std::string line;
    std::size_t length;      // in bytes of the code page, as setup.exe counts
    bool fits;               // within the limit: setup.exe would launch it
};

struct Report {
    std::string folder;  // as given, for the report
    unsigned codePage = 0;
    bool codePageGiven = false;
    std::string at;  // as used, ending in a backslash
    std::vector<Row> rows;
    std::vector<CommandLine> commandLines;
    std::vector<Finding> findings;  // errors first
    std::vector<std::string> notes;
    std::size_t ignored = 0;         // findings left out by --ignore
    std::size_t warningsHidden = 0;  // warnings left out by --severity error
    int Count(Severity severity) const;
};

Report CheckFolder(Host& host, const Request& request);

// The whole program: arguments (without the program's name) in, report on
// out and complaints on err; gives the exit status: 0 without errors, 1
// with errors, 2 for bad usage.
int RunCheck(int argc, const char* const* argv, std::string& out, std::string& err);

}  // namespace check
