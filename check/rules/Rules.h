// The one table of setup-check's rules: every finding code with its
// severity, the family of rules that finds it, a one-line title and what
// the vendor should do. Families emit by rule (rules::kCabDamaged) and each
// finding keeps its rule; --list-rules and the SARIF formatter print the
// table, and the vendor's guide shows it as --list-rules prints it. Titles
// and actions are Markdown.
#pragma once

#include <cstddef>
#include <string>

namespace check {

enum class Severity { Error, Warning };

// "error" or "warning", as every format names it.
const char* SeverityName(Severity severity);

constexpr char kToolName[] = "setup-check";
constexpr char kToolVersion[] = "1.1.0";  // setup.exe's version resource

struct Rule {
    const char* code;  // stable, for scripts and --ignore
    Severity severity;
    const char* family;  // the families that find it, each a file of rules/ of its name
    const char* title;   // what is wrong
    const char* action;  // what to do
};

// RULE(constant, code, severity, family, title, action), errors first.
#define SETUP_CHECK_RULES(RULE)                                                                   \
    RULE(kNothingToInstall, "nothing-to-install", Error, "rows", "no component at all",          \
         "put the components beside `setup.exe`")                                                \
    RULE(kDescriptionUnreadable, "description-unreadable", Error, "descriptions",                \
         "a description file cannot be read", "fix its permissions or replace it")              \
    RULE(kDescriptionEncoding, "description-encoding", Error, "descriptions",                    \
         "a description file saved as UTF-16, or a UTF-8 byte-order mark that hides line 1's "   \
         "row or the first section",                                                             \
         "save it as ANSI text")                                                                 \
    RULE(kCeIniInvalid, "ce-ini-invalid", Error, "ce-files",                                     \
         "a description file that gives rows but has no `[CEAppManager]`, no `Component`, no "   \
         "section of that name, or no `Description` or `CabFiles` in it (a settings file "       \
         "named `*.ini` is one)",                                                                \
         "complete it, or rename a file that is no description file")                           \
    RULE(kCeRowOutsideComponent, "ce-row-outside-component", Error, "ce-files",                  \
         "a `Description` line outside the section `Component` names: its row installs nothing", \
         "one application per description file")                                                 \
    RULE(kCabMissing, "cab-missing", Error, "ce-files",                                          \
         "a `CabFiles` entry that is no file beside the description file (names without "       \
         "regard to case)",                                                                      \
         "ship the cabinet, or correct its name")                                                \
    RULE(kCabDamaged, "cab-damaged", Error, "ce-files",                                          \
         "a cabinet that cannot be read whole: no `MSCF`, not version 1.3, shorter than its "    \
         "header says, a stated size that does not cover its own tables and data, a folder or "  \
         "file table out of place (the finding names the table, the file inside or the data "    \
         "block), damaged data (a checksum, packed data that does not unpack), a previous or "   \
         "next cabinet that is not beside it, or a set that loops",                              \
         "copy it again, whole; rebuild it if the copy is the same")                             \
    RULE(kCabNoSetupFile, "cab-no-setup-file", Error, "ce-files",                                \
         "a cabinet with neither a CE setup file (a file inside whose name ends in `.000`) nor " \
         "a setup XML (`_setup.xml`): the device's installer refuses it",                        \
         "build it with the CE cabinet tool, from an installation script")                       \
    RULE(kCabSetupDamaged, "cab-setup-damaged", Error, "ce-files",                               \
         "a CE setup file read whole from its cabinet, but without its `MSCE` signature, cut "   \
         "short, with a section, name or length outside it, versions that exclude each other, "  \
         "or naming in FILES a file the cabinet does not hold; or a setup XML that is not "      \
         "well-formed, declares a document type, is no `wap-provisioningdoc`, has no `Install` " \
         "with an `AppName`, or extracts a file the cabinet does not hold",                      \
         "rebuild the cabinet")                                                                  \
    RULE(kPalmInvalid, "palm-invalid", Error, "palm-files",                                      \
         "a `.prc` or `.pdb` that is not a whole Palm database (its app-info and sort-info "     \
         "blocks, where present, must lie in order between the record list and the first "       \
         "record), or a `.prc` that is a record database",                                       \
         "ship the file as the Palm tools wrote it")                                             \
    RULE(kEmptyFile, "empty-file", Error, "palm-files", "an empty `.prc` or `.pdb`",             \
         "ship the real file")                                                                   \
    RULE(kPalmDuplicateName, "palm-duplicate-name", Error, "palm-files",                         \
         "two Palm files with the same database name in their headers: the handheld keeps one", \
         "give each database its own name")                                                      \
    RULE(kFileUnreadable, "file-unreadable", Error, "palm-files, ce-files",                      \
         "a component (or cabinet) that cannot be read, or is no regular file",                  \
         "replace it with the file itself")                                                      \
    RULE(kPathTooLong, "path-too-long", Error, "paths",                                          \
         "at `--at`, the folder, `setup.exe` or a component reaches 260 characters",            \
         "use a shorter folder")                                                                 \
    RULE(kCommandLineTooLong, "command-line-too-long", Error, "rows",                            \
         "the checked components make a command line over 32,766 characters; the finding "      \
         "names the tool that is not started and what is then not installed",                    \
         "ship fewer files per folder, or use a shorter folder")                                 \
    RULE(kRowsShareFile, "rows-share-file", Warning, "ce-files",                                 \
         "several rows from one description file: checked and unchecked as one",                \
         "one application per description file")                                                 \
    RULE(kDescriptionNoRows, "description-no-rows", Warning, "descriptions",                     \
         "a description file of the CE Application Manager without a `Description` line "       \
         "`setup.exe` reads: never installed",                                                   \
         "add its `Description`")                                                                \
    RULE(kDescriptionEndsEarly, "description-ends-early", Warning, "descriptions",               \
         "`Description` without `=` (the finding names the key read): later lines give no rows", \
         "write `Description = ...`")                                                            \
    RULE(kLineSplit, "line-split", Warning, "descriptions",                                      \
         "a line over 255 bytes: a row text cut, or a piece read as a line", "shorten the line") \
    RULE(kCtrlZ, "ctrl-z", Warning, "descriptions", "a Ctrl-Z byte with text after it",          \
         "save the file with CR LF line ends")                                                   \
    RULE(kLoneCr, "lone-cr", Warning, "descriptions", "CRs without LF",                          \
         "save the file with CR LF line ends")                                                   \
    RULE(kDuplicateRow, "duplicate-row", Warning, "rows", "two rows of the same text",           \
         "give each row its own text")                                                           \
    RULE(kEmptyRow, "empty-row", Warning, "rows", "a row without text",                          \
         "give each row its own text")                                                           \
    RULE(kRowTextUtf8, "row-text-utf8", Warning, "rows",                                         \
         "a description in UTF-8 where the code page is another",                                \
         "save it in the end user's code page")                                                  \
    RULE(kRowTextInvalid, "row-text-invalid", Warning, "rows",                                   \
         "a description with bytes the code page does not hold",                                 \
         "save it in the end user's code page")                                                  \
    RULE(kCabSameTarget, "cab-same-target", Warning, "ce-files",                                 \
         "two cabinets of one application for the same processor with overlapping Windows CE "   \
         "versions: which one a device gets is not yours to choose (a setup XML states no "      \
         "processor: its cabinets are left out)",                                                \
         "give each cabinet its own processor or versions, or drop the stale one")              \
    RULE(kCabNamesDiffer, "cab-names-differ", Warning, "ce-files",                               \
         "cabinets of one application naming different applications or providers in their "     \
         "setup files (a setup XML names the application only): usually a stale cabinet",        \
         "rebuild the cabinets from one installation script")                                    \
    RULE(kPalmNotListed, "palm-not-listed", Warning, "palm-files",                               \
         "a Palm database (a readable header) named otherwise than `QM_*.pdb`: `setup.exe` "     \
         "neither lists nor installs it",                                                        \
         "rename it `QM_...pdb` if it belongs to the product")                                   \
    RULE(kPalmOrphanDatabase, "palm-orphan-database", Warning, "palm-files",                     \
         "a database whose creator is that of no application in the folder",                   \
         "ship its application too, or check the creator")                                       \
    RULE(kPalmRenamedApplication, "palm-renamed-application", Warning, "palm-files",             \
         "a `QM_*.pdb` that is a resource database: an application renamed",                     \
         "ship the database itself")                                                             \
    RULE(kPalmNameSpace, "palm-name-space", Warning, "palm-files",                               \
         "a blank in a Palm file's name: the install tool may take it for two files",           \
         "rename it without blanks")                                                             \
    RULE(kAliasMatch, "alias-match", Warning, "names",                                           \
         "a name that matches only through its 8.3 alias: not installed",                        \
         "rename it if it is meant to be installed")                                             \
    RULE(kFolderMatch, "folder-match", Warning, "names",                                         \
         "a folder whose name matches: not installed",                                           \
         "rename it if it is meant to be installed")                                             \
    RULE(kNameCodepage, "name-codepage", Warning, "names",                                       \
         "a file name with characters the code page cannot show",                                \
         "use names of the end user's code page")                                                \
    RULE(kNameInvalid, "name-invalid", Warning, "names",                                         \
         "a file name whose bytes are not valid text here",                                      \
         "use names of the end user's code page")                                                \
    RULE(kCaseClash, "case-clash", Warning, "names",                                             \
         "two names that differ only in case (possible on Linux only)", "keep one")

namespace rules {
#define SETUP_CHECK_RULE_CONSTANT(name, code, severity, family, title, action) \
    inline constexpr Rule name{code, Severity::severity, family, title, action};
SETUP_CHECK_RULES(SETUP_CHECK_RULE_CONSTANT)
#undef SETUP_CHECK_RULE_CONSTANT
}  // namespace rules

// Every rule, in the table's order.
#define SETUP_CHECK_RULE_ADDRESS(name, ...) &rules::name,
inline constexpr const Rule* kRules[] = {SETUP_CHECK_RULES(SETUP_CHECK_RULE_ADDRESS)};
#undef SETUP_CHECK_RULE_ADDRESS

// The rule of a code; null when there is none. Only the command line looks
// rules up by their code: a finding keeps its rule.
const Rule* FindRule(const std::string& code);

// Where a rule stands in the table.
std::size_t RuleIndex(const Rule& rule);

// The table as the vendor's guide shows it: the errors, then the warnings,
// each under the sentence that says what they mean for the vendor.
std::string FormatRules();

}  // namespace check
