// What setup.exe makes of a file by its name alone: the kind of component it
// is and, for a Palm application or database, the row it lists. Every
// expectation of the tests that depends on a file's name asks here, and this
// reads the program's own table of kinds, so the rule is written down once;
// the scenarios' literal row texts stay the check on the table itself.
#pragma once

#include <string>

enum class Kind {
    None,         // not listed
    Description,  // *.ini: one row per Description line, for the CE Application Manager
    Application,  // *.prc, for the Palm install tool
    Database,     // QM_*.pdb, for the Palm install tool
};

// By the long name, without regard to case (the 8.3 alias does not count).
Kind KindOfName(const std::string& name);
const char* KindName(Kind kind);  // "description file", "application", ...
// The row of an application ("Maps.prc": "Maps application") or a database
// ("QM_Streets.pdb": "Streets database"); "" for a description file, whose
// rows are its Description lines, and for a file that is not listed.
std::string ExpectedRow(const std::string& name);
