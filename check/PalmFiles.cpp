// The Palm files handed over: each must be a whole Palm database of its kind,
// the handheld knows each by the name in its header, and the install tool
// gets all their paths in one argument.
#include <map>
#include <set>

#include "check/Checks.h"
#include "check/PalmDatabase.h"
#include "check/Text.h"
#include "platform/Names.h"

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

}  // namespace

void CheckPalmFiles(Folder& folder) {
    Findings& findings = folder.findings;
    struct Read {
        std::string file;
        FileFormat format;
        PalmDatabase db;
    };
    std::vector<Read> read;
    for (const PalmFile& palm : folder.model.palmFiles) {
        const FileFormat format = palm.component->kind->format;
        const std::string& file = palm.file;
        if (palm.component->name.find(' ') != std::string::npos)
            findings.Add(rules::kPalmNameSpace, file, 0,
                         "has a blank in its name: the Palm install tool gets every path in "
                         "one argument, separated by blanks, and may take this one for two "
                         "files; use a name without blanks");
        if (!palm.read) {
            // A name the code page cannot hold is a finding of its own.
            if (palm.nameHeld)
                findings.Add(rules::kFileUnreadable, file, 0,
                             "cannot be read as a file here, yet setup.exe lists it and hands "
                             "it over: the Palm install tool cannot install it");
            continue;
        }
        const PalmDatabase& db = palm.db;
        const uint64_t size = palm.size;
        if (db.problem == PalmProblem::Empty) {
            findings.Add(rules::kEmptyFile, file, 0,
                         "is empty: the Palm install tool gets nothing to install");
        } else if (db.problem != PalmProblem::None) {
            findings.Add(rules::kPalmInvalid, file, 0,
                         "is no whole Palm database: it " + DescribePalmProblem(db, size) +
                             "; the handheld will not take it");
        } else if (format == FileFormat::PalmResourceDatabase && !db.IsResourceDatabase()) {
            findings.Add(rules::kPalmInvalid, file, 0,
                         "is a record database (its header lacks the resource flag), not an "
                         "application: a .prc must be a resource database");
        } else if (format == FileFormat::PalmRecordDatabase && db.IsResourceDatabase()) {
            findings.Add(rules::kPalmRenamedApplication, file, 0,
                         "is a resource database, as an application is, not a record "
                         "database: probably an application renamed to .pdb");
        }
        if (HeaderRead(db)) read.push_back({file, format, db});
    }

    std::map<std::string, std::string> byName;
    std::set<std::string> creators;
    for (const Read& r : read) {
        if (r.format == FileFormat::PalmResourceDatabase) creators.insert(r.db.creator);
        auto first = byName.emplace(r.db.name, r.file);
        if (!first.second)
            findings.Add(rules::kPalmDuplicateName, r.file, 0,
                         "its database name \"" + EscapeInvalidUtf8(r.db.name) +
                             "\" is also that of " + first.first->second +
                             ": the handheld keeps one database of a name, and which one "
                             "depends on the order they are installed in");
    }
    // Databases the product ships under other names are never handed over.
    const ComponentKind& databases = kComponentKinds[2];
    for (const FolderEntry& entry : folder.listing.Entries()) {
        if (entry.directory || !entry.exact || entry.name.size() < 4 ||
            !platform::NameMatchesPattern(entry.name, "", databases.suffix) ||
            platform::NameMatchesPattern(entry.name, databases.prefix, databases.suffix) ||
            MatchesOnlyByAlias(entry.name, databases.prefix, databases.suffix))
            continue;
        std::string head;
        uint64_t size = 0;
        if (!ReadBytes(folder.host, folder.request.folder + entry.local, kPalmHeadBytes, head,
                       size))
            continue;
        const PalmDatabase db = ReadPalmDatabase(head, size);
        if (!HeaderRead(db)) continue;
        const std::string pattern = std::string(databases.prefix) + "*" + databases.suffix;
        findings.Add(rules::kPalmNotListed, entry.utf8, 0,
                     "is a Palm database (\"" + EscapeInvalidUtf8(db.name) +
                         "\") that setup.exe neither lists nor installs: it takes databases "
                         "named " + pattern + " only; rename it " + databases.prefix +
                         entry.utf8 + " if it belongs to the product",
                     pattern);
    }
    for (const Read& r : read)
        if (r.format == FileFormat::PalmRecordDatabase && creators.count(r.db.creator) == 0)
            findings.Add(rules::kPalmOrphanDatabase, r.file, 0,
                         "its creator " + FourCc(r.db.creator) +
                             " is that of no application in this folder: on the handheld "
                             "it belongs to no application installed with it");
}

}  // namespace check
