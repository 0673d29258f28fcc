// A cabinet set read whole by libmspack, the library cabextract is built on.
// Its file callbacks read through the opener and write nowhere, but for the
// setup files, which are kept in memory.
#include <mspack.h>

#include <cstdlib>
#include <cstring>

#include "check/readers/CabinetLibrary.h"

namespace check {

namespace {

// The name the library is given for what it writes, which goes where the
// context's capture says.
const char kTarget[] = "<unpacked>";

struct Context {
    CabinetOpener& opener;
    const CabinetSet& set;
    std::string* capture = nullptr;  // where the file being unpacked goes
    std::size_t lastCabinet = 0;  // where the last read was
    uint64_t lastRead = 0;
};

struct File : CabinetStream {
    Context* context = nullptr;
};

struct System {
    mspack_system calls;  // first: the library hands this back as its own
    Context* context;
};

File* Of(mspack_file* file) { return reinterpret_cast<File*>(file); }

mspack_file* Open(mspack_system* self, const char* name, int mode) {
    Context* context = reinterpret_cast<System*>(self)->context;
    auto file = std::make_unique<File>();
    file->context = context;
    if (mode == MSPACK_SYS_OPEN_WRITE) {
        if (std::strcmp(name, kTarget) == 0) file->capture = context->capture;
    } else if (mode == MSPACK_SYS_OPEN_READ) {
        std::size_t i = 0;
        while (i < context->set.paths.size() && context->set.paths[i] != name) ++i;
        if (i == context->set.paths.size()) return nullptr;
        file->bytes = context->opener.OpenRandom(name);
        if (!file->bytes) return nullptr;
        file->cabinet = i;
    } else {
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(file.release());
}

void Close(mspack_file* file) { delete Of(file); }

int Read(mspack_file* handle, void* buffer, int bytes) {
    File* file = Of(handle);
    const long got = bytes < 0 ? -1 : file->Read(buffer, static_cast<std::size_t>(bytes));
    if (got >= 0) {
        file->context->lastCabinet = file->cabinet;
        file->context->lastRead = file->at;
    }
    return static_cast<int>(got);
}

int Write(mspack_file* handle, void* buffer, int bytes) {
    return bytes < 0 ? -1
                     : static_cast<int>(Of(handle)->Write(buffer, static_cast<std::size_t>(bytes)));
}

static_assert(MSPACK_SYS_SEEK_START == 0 && MSPACK_SYS_SEEK_CUR == 1 &&
                  MSPACK_SYS_SEEK_END == 2,
              "the library's origins are the stream's");
int Seek(mspack_file* handle, off_t offset, int mode) {
    return Of(handle)->Seek(static_cast<int64_t>(offset), mode) ? 0 : -1;
}

off_t Tell(mspack_file* handle) { return static_cast<off_t>(Of(handle)->at); }

// The library's own messages are for a console; its error codes are used.
void Message(mspack_file*, const char*, ...) {}
void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void Free(void* p) { std::free(p); }
void Copy(void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); }

struct Decompressor {
    explicit Decompressor(mspack_system* system) : cab(mspack_create_cab_decompressor(system)) {}
    ~Decompressor() {
        if (cab) mspack_destroy_cab_decompressor(cab);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
    mscab_decompressor* cab;
};

// The first cabinet of a set, which closes every one appended to it.
struct OpenSet {
    explicit OpenSet(mscab_decompressor* d) : decompressor(d) {}
    ~OpenSet() {
        if (first) decompressor->close(decompressor, first);
        for (mscabd_cabinet* lone : unjoined) decompressor->close(decompressor, lone);
    }
    OpenSet(const OpenSet&) = delete;
    OpenSet& operator=(const OpenSet&) = delete;
    mscab_decompressor* decompressor;
    mscabd_cabinet* first = nullptr;
    std::vector<mscabd_cabinet*> unjoined;
};

// The library's error in the terms the report words.
void SetError(CabinetContents& out, int error) {
    out.errorCode = error;
    switch (error) {
    case MSPACK_ERR_CHECKSUM: out.error = LibraryError::Checksum; break;
    case MSPACK_ERR_DECRUNCH: out.error = LibraryError::Unpack; break;
    case MSPACK_ERR_READ:
    case MSPACK_ERR_SEEK: out.error = LibraryError::DataEnds; break;
    case MSPACK_ERR_DATAFORMAT: out.error = LibraryError::DataFormat; break;
    case MSPACK_ERR_NOMEMORY: out.error = LibraryError::NoMemory; break;
    default: out.error = LibraryError::Other;
    }
}

// The first cabinet and those joined to it; false, with the problem set,
// when one does not open or join.
bool OpenAll(mscab_decompressor* d, const CabinetSet& set, OpenSet& open, CabinetContents& out) {
    mscabd_cabinet* last = nullptr;
    for (std::size_t i = 0; i < set.paths.size(); ++i) {
        mscabd_cabinet* cab = d->open(d, set.paths[i].c_str());
        out.cabinet = i;
        if (!cab) {
            out.problem = CabinetReadProblem::NotOpened;
            SetError(out, d->last_error(d));
            return false;
        }
        if (!last) {
            open.first = cab;
        } else if (d->append(d, last, cab) != MSPACK_ERR_OK) {
            open.unjoined.push_back(cab);
            out.problem = CabinetReadProblem::NotJoined;
            return false;
        }
        last = cab;
    }
    return true;
}

}  // namespace

std::string CabinetLibraryName() { return "libmspack"; }

CabinetContents ReadCabinetSet(const CabinetSet& set, CabinetOpener& opener) {
    CabinetContents out;
    Context context{opener, set};
    System system{{Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr},
                  &context};
    Decompressor d(&system.calls);
    if (!d.cab || set.paths.empty()) return out;
    d.cab->set_param(d.cab, MSCABD_PARAM_FIXMSZIP, 0);
    d.cab->set_param(d.cab, MSCABD_PARAM_SALVAGE, 0);
    OpenSet open(d.cab);
    if (!OpenAll(d.cab, set, open, out)) return out;
    for (const mscabd_file* file = open.first->files; file; file = file->next)
        out.names.push_back(file->filename);
    for (mscabd_file* file = open.first->files; file; file = file->next) {
        context.capture = KeptBytes(out, file->filename);
        const int error = d.cab->extract(d.cab, file, kTarget);
        if (error != MSPACK_ERR_OK) {
            out.problem = CabinetReadProblem::DataDamaged;
            SetError(out, error);
            out.cabinet = context.lastCabinet;
            out.file = file->filename;
            out.lastRead = context.lastRead;
            return out;
        }
    }
    out.problem = CabinetReadProblem::None;
    return out;
}

}  // namespace check
