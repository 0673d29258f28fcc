// A cabinet set read whole by the system's own cabinet reader (cabinet.dll's
// FDI calls), which Windows' own tools use. Its file callbacks read through
// the opener and write nowhere, but for the setup files, which are kept in
// memory.
#include <windows.h>

#include <fcntl.h>
#include <fdi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "check/readers/CabinetLibrary.h"

namespace check {

namespace {

struct Context;

struct File : CabinetStream {
    Context* context = nullptr;
};

struct Context {
    CabinetOpener& opener;
    const CabinetSet& set;
    CabinetContents& out;
    std::vector<std::unique_ptr<File>> files;  // every handle given out
    std::size_t lastCabinet = 0;  // where the last read was
    uint64_t lastRead = 0;
    std::string current;  // the file being unpacked
    bool inFile = false;
    std::size_t copied = 0;  // files of the cabinet begun so far
    std::size_t furthest = 0;  // the last cabinet of the set the reader opened

    INT_PTR Handle(std::unique_ptr<File> file) {
        files.push_back(std::move(file));
        return reinterpret_cast<INT_PTR>(files.back().get());
    }
};

// The open callback has no context of its own: the cabinet "path" given to
// the reader carries the context and the cabinet's place in the set, as
// "|context|index|", and the real path is looked up by that place.
std::string Token(Context* context, std::size_t index) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "|%p|%u|", static_cast<void*>(context),
                  static_cast<unsigned>(index));
    return buffer;
}

File* Of(INT_PTR handle) { return reinterpret_cast<File*>(handle); }

FNALLOC(Alloc) { return std::malloc(cb); }
FNFREE(Free) { std::free(pv); }

FNOPEN(Open) {
    (void)pmode;
    void* pointer = nullptr;
    unsigned index = 0;
    if ((oflag & (_O_WRONLY | _O_RDWR)) != 0 ||
        std::sscanf(pszFile, "|%p|%u|", &pointer, &index) != 2)
        return -1;
    Context* context = static_cast<Context*>(pointer);
    if (index >= context->set.paths.size()) return -1;
    auto file = std::make_unique<File>();
    file->context = context;
    file->cabinet = index;
    file->bytes = context->opener.OpenRandom(context->set.paths[index]);
    if (!file->bytes) return -1;
    context->furthest = std::max<std::size_t>(context->furthest, index);
    return context->Handle(std::move(file));
}

FNREAD(Read) {
    File* file = Of(hf);
    const long got = file->Read(pv, cb);
    if (got >= 0) {
        file->context->lastCabinet = file->cabinet;
        file->context->lastRead = file->at;
    }
    return static_cast<UINT>(got);
}

FNWRITE(Write) { return static_cast<UINT>(Of(hf)->Write(pv, cb)); }

FNCLOSE(Close) {
    (void)hf;  // the context owns every handle until the read ends
    return 0;
}

static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2,
              "the reader's origins are the stream's");
FNSEEK(Seek) {
    File* file = Of(hf);
    return file->Seek(dist, seektype) ? static_cast<LONG>(file->at) : -1;
}

FNFDINOTIFY(Notify) {
    Context* context = static_cast<Context*>(pfdin->pv);
    switch (fdint) {
    case fdintCOPY_FILE: {
        auto file = std::make_unique<File>();
        file->context = context;
        context->out.names.push_back(pfdin->psz1);
        file->capture = KeptBytes(context->out, pfdin->psz1);
        context->current = pfdin->psz1;
        context->inFile = true;
        ++context->copied;
        return context->Handle(std::move(file));
    }
    case fdintCLOSE_FILE_INFO: context->inFile = false; return TRUE;
    case fdintPARTIAL_FILE: ++context->copied; return 0;
    case fdintNEXT_CABINET: {
        // The next cabinet of the set, by its place; its name was checked.
        const std::string token = Token(context, context->lastCabinet + 1);
        std::snprintf(pfdin->psz3, CB_MAX_CAB_PATH, "%s", token.c_str());
        return 0;
    }
    default: return 0;
    }
}

// The reader's error in the terms the report words.
void SetError(CabinetContents& out, int error) {
    out.errorCode = error;
    switch (error) {
    case FDIERROR_CORRUPT_CABINET: out.error = LibraryError::Corrupt; break;
    case FDIERROR_MDI_FAIL: out.error = LibraryError::Unpack; break;
    case FDIERROR_BAD_COMPR_TYPE: out.error = LibraryError::UnknownPacking; break;
    case FDIERROR_ALLOC_FAIL: out.error = LibraryError::NoMemory; break;
    case FDIERROR_WRONG_CABINET:
    case FDIERROR_RESERVE_MISMATCH: out.error = LibraryError::WrongNext; break;
    default: out.error = LibraryError::Other;
    }
}

struct Reader {
    Reader() : hfdi(FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &erf)) {}
    ~Reader() {
        if (hfdi) FDIDestroy(hfdi);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ERF erf{};
    HFDI hfdi;
};

}  // namespace

std::string CabinetLibraryName() { return "the system's cabinet reader (cabinet.dll)"; }

CabinetContents ReadCabinetSet(const CabinetSet& set, CabinetOpener& opener) {
    CabinetContents out;
    Context context{opener, set, out, {}, 0, 0, {}, false, 0, 0};
    Reader reader;
    if (!reader.hfdi) return out;
    // From the first cabinet on: where a folder goes on into the next one,
    // the reader follows it there and reads on to that cabinet's end, so the
    // next call starts after the furthest cabinet it reached.
    for (std::size_t i = 0; i < set.paths.size(); i = context.furthest + 1) {
        std::string path = Token(&context, i);
        char name[] = "cabinet";
        context.copied = 0;
        context.furthest = i;
        if (FDICopy(reader.hfdi, name, &path[0], 0, Notify, nullptr, &context)) continue;
        SetError(out, reader.erf.erfOper);
        out.cabinet = context.lastCabinet;
        const CabinetTables& tables = *set.tables[context.lastCabinet];
        // The reader may unpack a folder's first block before it names the
        // file that starts there: the next one in the file table.
        out.file = context.current;
        if (!context.inFile && context.lastCabinet == i && context.copied < tables.files.size())
            out.file = tables.files[context.copied].name;
        out.lastRead = context.lastRead;
        out.problem = context.inFile || !tables.BlockAt(context.lastRead).empty()
                          ? CabinetReadProblem::DataDamaged
                          : CabinetReadProblem::NotRead;
        return out;
    }
    out.problem = CabinetReadProblem::None;
    return out;
}

}  // namespace check
