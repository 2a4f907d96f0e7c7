// minizip over memory: a file-function table whose "file" is a byte vector (writing), a fixed
// buffer (reading), or a window onto a source that is refilled as the reading moves on.
#include "interface/Maker/ZipMemory.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include "system/TextRules.h"

#include <algorithm>
#include <cstring>

namespace pkg {

struct ZipMemoryReader::Stream {
    const uint8_t* readData = nullptr;
    std::vector<uint8_t>* writeData = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;
    int error = 0;
    // Reading through a window: source, the bytes held and where they start.
    ZipMemoryReader::ReadAt source;
    std::vector<uint8_t> window;  // this thread's window while the reader lives (see Borrow)
    bool borrowed = false;
    uint64_t windowStart = 0;
    size_t windowSize = 0;
};

namespace {

using Stream = ZipMemoryReader::Stream;

voidpf ZCALLBACK OpenStream(voidpf opaque, const void*, int) { return opaque; }

// Serves a read from the window, refilling it at the position when it does not hold the bytes; a
// read as large as the window goes straight to the caller's buffer.
uLong ReadThroughWindow(Stream* s, uint8_t* buf, size_t n) {
    const bool held = s->position >= s->windowStart && s->position + n <= s->windowStart + s->windowSize;
    if (!held) {
        if (n >= s->window.size() && s->size > s->window.size()) {
            if (int rc = s->source(s->position, buf, n)) {
                s->error = rc;
                return 0;
            }
            s->position += n;
            return static_cast<uLong>(n);
        }
        // An archive that fits is read whole at once: its directory at the end and its item at
        // the start then cost one read.
        const uint64_t start = s->size <= s->window.size() ? 0 : s->position;
        const size_t fill = static_cast<size_t>(std::min<uint64_t>(s->window.size(), s->size - start));
        if (int rc = s->source(start, s->window.data(), fill)) {
            s->error = rc;
            return 0;
        }
        s->windowStart = start;
        s->windowSize = fill;
    }
    std::memcpy(buf, s->window.data() + (s->position - s->windowStart), n);
    s->position += n;
    return static_cast<uLong>(n);
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buf, uLong size) {
    auto* s = static_cast<Stream*>(stream);
    if (s->position >= s->size) return 0;
    uint64_t n = std::min<uint64_t>(size, s->size - s->position);
    if (s->source) return ReadThroughWindow(s, static_cast<uint8_t*>(buf), static_cast<size_t>(n));
    const uint8_t* source = s->readData ? s->readData : s->writeData->data();
    std::memcpy(buf, source + s->position, static_cast<size_t>(n));
    s->position += n;
    return static_cast<uLong>(n);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf stream, const void* buf, uLong size) {
    auto* s = static_cast<Stream*>(stream);
    if (!s->writeData) return 0;
    uint64_t end = s->position + size;
    if (end > s->writeData->size()) s->writeData->resize(static_cast<size_t>(end));
    std::memcpy(s->writeData->data() + s->position, buf, size);
    s->position = end;
    s->size = std::max<uint64_t>(s->size, end);
    return size;
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* s = static_cast<Stream*>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_CUR ? s->position : origin == ZLIB_FILEFUNC_SEEK_END ? s->size : 0;
    uint64_t target = base + offset;
    if (target > s->size && !s->writeData) return -1;
    s->position = target;
    return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf) { return 0; }
int ZCALLBACK ErrorStream(voidpf, voidpf stream) { return static_cast<Stream*>(stream)->error; }

zlib_filefunc64_def FunctionsFor(Stream* stream) {
    zlib_filefunc64_def def = {};
    def.zopen64_file = OpenStream;
    def.zread_file = ReadStream;
    def.zwrite_file = WriteStream;
    def.ztell64_file = TellStream;
    def.zseek64_file = SeekStream;
    def.zclose_file = CloseStream;
    def.zerror_file = ErrorStream;
    def.opaque = stream;
    return def;
}

void PutLE16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutLE32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

PackTime PackTime::Now() { return At(std::time(nullptr)); }

PackTime PackTime::At(std::time_t utc) {
    PackTime t;
    t.utc = utc;
#if defined(_WIN32)
    localtime_s(&t.local, &t.utc);
#else
    localtime_r(&t.utc, &t.local);
#endif
    return t;
}

bool IsStoredExtension(const std::string& name) {
    static const char* const kStored[] = {".z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"};
    for (const char* ext : kStored) {
        if (sys::EndsWithNoCase(name, ext)) return true;
    }
    return false;
}

bool BuildSingleItemZip(const std::string& itemName, const uint8_t* data, size_t size, const PackTime& time,
                        std::vector<uint8_t>& archive) {
    archive.clear();
    archive.reserve(size + size / 1000 + itemName.size() * 2 + 256);
    Stream stream;
    stream.writeData = &archive;
    zlib_filefunc64_def functions = FunctionsFor(&stream);
    zipFile zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
    if (!zip) return false;

    zip_fileinfo info = {};
    info.tmz_date.tm_sec = static_cast<uInt>(time.local.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(time.local.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(time.local.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(time.local.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(time.local.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(time.local.tm_year + 1900);

    // "UT" extended timestamps: flags 7 (modification, access, creation); the central copy
    // carries the modification time only.
    const uint32_t stamp = static_cast<uint32_t>(time.utc);
    std::vector<uint8_t> localExtra, centralExtra;
    PutLE16(localExtra, 0x5455);
    PutLE16(localExtra, 13);
    localExtra.push_back(7);
    for (int i = 0; i < 3; ++i) PutLE32(localExtra, stamp);
    PutLE16(centralExtra, 0x5455);
    PutLE16(centralExtra, 5);
    centralExtra.push_back(7);
    PutLE32(centralExtra, stamp);

    const bool stored = IsStoredExtension(itemName);
    const int method = stored ? 0 : Z_DEFLATED;
    const int level = stored ? 0 : Z_BEST_COMPRESSION;  // level 9 sets general-purpose flag 0x0002
    int rc = zipOpenNewFileInZip4_64(zip, itemName.c_str(), &info, localExtra.data(),
                                     static_cast<uInt>(localExtra.size()), centralExtra.data(),
                                     static_cast<uInt>(centralExtra.size()), nullptr, method, level, 0, -MAX_WBITS,
                                     DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, 0, 0);
    bool ok = rc == ZIP_OK;
    // zipWriteInFileInZip takes 32-bit lengths.
    for (size_t done = 0; ok && done < size;) {
        unsigned chunk = static_cast<unsigned>(std::min<size_t>(size - done, 1u << 30));
        ok = zipWriteInFileInZip(zip, data + done, chunk) == ZIP_OK;
        done += chunk;
    }
    if (rc == ZIP_OK) ok = zipCloseFileInZip(zip) == ZIP_OK && ok;
    ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    archive.resize(static_cast<size_t>(stream.size));
    return ok;
}

ZipMemoryReader::ZipMemoryReader(const uint8_t* data, size_t size) : m_stream(new Stream) {
    m_stream->readData = data;
    m_stream->size = size;
    zlib_filefunc64_def functions = FunctionsFor(m_stream);
    m_zip = unzOpen2_64("", &functions);
}

namespace {

// Each thread reads entry after entry: one window per thread, handed from reader to reader, keeps
// thousands of readers from allocating (and scattering) a block each.
struct SpareWindow {
    std::vector<uint8_t> bytes;
    bool lent = false;
};
thread_local SpareWindow t_spare;

}  // namespace

ZipMemoryReader::ZipMemoryReader(ReadAt read, uint64_t size, size_t window) : m_stream(new Stream) {
    m_stream->source = std::move(read);
    m_stream->size = size;
    if (!t_spare.lent) {
        t_spare.lent = true;
        m_stream->borrowed = true;
        m_stream->window.swap(t_spare.bytes);
    }
    m_stream->window.resize(std::max<size_t>(window, 1));
    zlib_filefunc64_def functions = FunctionsFor(m_stream);
    m_zip = unzOpen2_64("", &functions);
}

int ZipMemoryReader::ReadError() const { return m_stream->error; }

ZipMemoryReader::~ZipMemoryReader() {
    if (m_zip) unzClose(m_zip);
    if (m_stream->borrowed) {
        t_spare.bytes.swap(m_stream->window);
        t_spare.lent = false;
    }
    delete m_stream;
}

bool ZipMemoryReader::First() { return m_zip && unzGoToFirstFile(m_zip) == UNZ_OK; }
bool ZipMemoryReader::Next() { return m_zip && unzGoToNextFile(m_zip) == UNZ_OK; }

bool ZipMemoryReader::CurrentInfo(ZipItemInfo& item) {
    unz_file_info64 info = {};
    if (unzGetCurrentFileInfo64(m_zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    std::string name(info.size_filename, '\0');
    if (unzGetCurrentFileInfo64(m_zip, &info, name.empty() ? nullptr : &name[0], info.size_filename, nullptr, 0,
                                nullptr, 0) != UNZ_OK) {
        return false;
    }
    item.name = name;
    item.uncompressedSize = info.uncompressed_size;
    item.compressedSize = info.compressed_size;
    item.method = static_cast<int>(info.compression_method);
    return true;
}

bool ZipMemoryReader::ReadCurrent(uint64_t limit, size_t chunkSize,
                                  const std::function<bool(const uint8_t*, size_t)>& sink) {
    if (unzOpenCurrentFile(m_zip) != UNZ_OK) return false;
    // Most items are small: a buffer of the item's size, not a whole chunk, for each of them.
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(chunkSize, limit)));
    uint64_t total = 0;
    bool ok = true;
    while (total < limit) {
        unsigned want = static_cast<unsigned>(std::min<uint64_t>(chunkSize, limit - total));
        int n = unzReadCurrentFile(m_zip, chunk.data(), want);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
        if (!sink(chunk.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    // Closing checks the item's CRC, but only when all of its data was read.
    int closed = unzCloseCurrentFile(m_zip);
    return ok && closed != UNZ_CRCERROR;
}

}  // namespace pkg
