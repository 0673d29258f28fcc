#include "check/rules/PalmFiles.h"

#include <map>
#include <set>

#include "check/readers/Utf8.h"

namespace check {

namespace {

// A type or creator as it is written, its odd bytes as \xNN.
std::string FourCc(const std::string& code) {
    std::string out;
    for (char c : code) {
        const unsigned char u = static_cast<unsigned char>(c);
        out += u >= 0x20 && u < 0x7F ? std::string(1, c) : EscapedByte(u);
    }
    return "'" + out + "'";
}

bool HeaderRead(const PalmDatabase& db) {
    return db.problem != PalmProblem::Empty && db.problem != PalmProblem::ShortHeader &&
           db.problem != PalmProblem::NameUnterminated;
}

// One file handed over: whole, of its kind, and with a name the install
// tool's one argument keeps apart.
void CheckPalmFile(Findings& findings, const PalmFile& palm) {
    const FileFormat format = palm.component->kind->format;
    const std::string& file = palm.file;
    if (palm.component->name.find(' ') != std::string::npos)
        findings.Add(rules::kPalmNameSpace, file, 0,
                     "has a blank in its name: the Palm install tool gets every path in one "
                     "argument, separated by blanks, and may take this one for two files; use "
                     "a name without blanks");
    if (!palm.read) {
        // A name the code page cannot hold is a finding of its own.
        if (palm.nameHeld)
            findings.Add(rules::kFileUnreadable, file, 0,
                         "cannot be read as a file here, yet setup.exe lists it and hands it "
                         "over: the Palm install tool cannot install it");
        return;
    }
    const PalmDatabase& db = palm.db;
    if (db.problem == PalmProblem::Empty) {
        findings.Add(rules::kEmptyFile, file, 0,
                     "is empty: the Palm install tool gets nothing to install");
    } else if (db.problem != PalmProblem::None) {
        findings.Add(rules::kPalmInvalid, file, 0,
                     "is no whole Palm database: it " + DescribePalmProblem(db) +
                         "; the handheld will not take it");
    } else if (format == FileFormat::PalmResourceDatabase && !db.IsResourceDatabase()) {
        findings.Add(rules::kPalmInvalid, file, 0,
                     "is a record database (its header lacks the resource flag), not an "
                     "application: a .prc must be a resource database");
    } else if (format == FileFormat::PalmRecordDatabase && db.IsResourceDatabase()) {
        findings.Add(rules::kPalmRenamedApplication, file, 0,
                     "is a resource database, as an application is, not a record database: "
                     "probably an application renamed to .pdb");
    }
}

// The handheld keeps one database of a name.
void CheckDatabaseNames(Findings& findings, const std::vector<const PalmFile*>& read) {
    std::map<std::string, std::string> byName;
    for (const PalmFile* palm : read) {
        auto first = byName.emplace(palm->db.name, palm->file);
        if (!first.second)
            findings.Add(rules::kPalmDuplicateName, palm->file, 0,
                         "its database name \"" + EscapeInvalidUtf8(palm->db.name) +
                             "\" is also that of " + first.first->second +
                             ": the handheld keeps one database of a name, and which one "
                             "depends on the order they are installed in");
    }
}

// Each database's application is shipped with it.
void CheckCreators(Findings& findings, const std::vector<const PalmFile*>& read) {
    std::set<std::string> creators;
    for (const PalmFile* palm : read)
        if (palm->component->kind->format == FileFormat::PalmResourceDatabase)
            creators.insert(palm->db.creator);
    for (const PalmFile* palm : read)
        if (palm->component->kind->format == FileFormat::PalmRecordDatabase &&
            creators.count(palm->db.creator) == 0)
            findings.Add(rules::kPalmOrphanDatabase, palm->file, 0,
                         "its creator " + FourCc(palm->db.creator) +
                             " is that of no application in this folder: on the handheld it "
                             "belongs to no application installed with it");
}

// Databases the product ships under other names are never handed over.
void CheckUnlisted(Findings& findings, const std::vector<PalmFile>& unlisted) {
    for (const ComponentKind& databases : kComponentKinds) {
        if (databases.format != FileFormat::PalmRecordDatabase) continue;
        const std::string pattern = KindPattern(databases);
        for (const PalmFile& palm : unlisted)
            if (HeaderRead(palm.db))
                findings.Add(rules::kPalmNotListed, palm.file, 0,
                             "is a Palm database (\"" + EscapeInvalidUtf8(palm.db.name) +
                                 "\") that setup.exe neither lists nor installs: it takes "
                                 "databases named " + pattern + " only; rename it " +
                                 databases.prefix + palm.file + " if it belongs to the product",
                             pattern);
    }
}

}  // namespace

void CheckPalmFiles(Folder& folder) {
    std::vector<const PalmFile*> read;
    for (const PalmFile& palm : folder.model.palmFiles) {
        CheckPalmFile(folder.findings, palm);
        if (palm.read && HeaderRead(palm.db)) read.push_back(&palm);
    }
    CheckDatabaseNames(folder.findings, read);
    CheckUnlisted(folder.findings, folder.model.unlistedDatabases);
    CheckCreators(folder.findings, read);
}

}  // namespace check
