#include "app/textstream.hpp"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnwick {

namespace {

#ifdef _WIN32
using StatBuffer = struct _stat64;
int openForReading(const char* path) {
    return _open(path, _O_RDONLY | _O_BINARY);
}
int openExclusive(const char* path) {
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long readSome(int fd, void* out, std::size_t size) {
    return _read(fd, out, static_cast<unsigned>(size));
}
long long writeSome(int fd, const void* bytes, std::size_t size) {
    return _write(fd, bytes, static_cast<unsigned>(size));
}
int closeFile(int fd) {
    return _close(fd);
}
int statFile(int fd, StatBuffer* info) {
    return _fstat64(fd, info);
}
int statPath(const char* path, StatBuffer* info) {
    return _stat64(path, info);
}
bool isRegular(const StatBuffer& info) {
    return (info.st_mode & _S_IFMT) == _S_IFREG;
}
bool mayWrite(const char* path) {
    return _access(path, 2) == 0;
}
int processId() {
    return _getpid();
}
#else
using StatBuffer = struct stat;
int openForReading(const char* path) {
    return ::open(path, O_RDONLY | O_CLOEXEC);
}
int openExclusive(const char* path) {
    // 0666 less the umask: the ordinary permissions of a new file.
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long long readSome(int fd, void* out, std::size_t size) {
    return ::read(fd, out, size);
}
long long writeSome(int fd, const void* bytes, std::size_t size) {
    return ::write(fd, bytes, size);
}
int closeFile(int fd) {
    return ::close(fd);
}
int statFile(int fd, StatBuffer* info) {
    return ::fstat(fd, info);
}
int statPath(const char* path, StatBuffer* info) {
    return ::stat(path, info);
}
bool isRegular(const StatBuffer& info) {
    return S_ISREG(info.st_mode);
}
bool mayWrite(const char* path) {
    return ::access(path, W_OK) == 0;
}
int processId() {
    return static_cast<int>(::getpid());
}
#endif

constexpr unsigned char Cr = 0x0D;
constexpr unsigned char Lf = 0x0A;
constexpr unsigned char EndOfText = 0x1A;

bool isTextModeByte(unsigned char byte, bool stopAtLf) {
    return byte == Cr || byte == EndOfText || (stopAtLf && byte == Lf);
}

#if defined(__SSE2__) || defined(_M_X64)
// The length of the run of bytes that text mode passes unchanged (all but CR and
// 0x1A, and LF too when `stopAtLf`), sixteen at a time while none is near.
std::size_t plainRun(const unsigned char* bytes, std::size_t available, bool stopAtLf) {
    const __m128i cr = _mm_set1_epi8(static_cast<char>(Cr));
    const __m128i endOfText = _mm_set1_epi8(static_cast<char>(EndOfText));
    const __m128i lf = stopAtLf ? _mm_set1_epi8(static_cast<char>(Lf)) : cr;
    std::size_t length = 0;
    while (available - length >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + length));
        __m128i found =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)),
                         _mm_cmpeq_epi8(block, endOfText));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(found));
        if (mask != 0) {
            return length + static_cast<std::size_t>(std::countr_zero(mask));
        }
        length += 16;
    }
    while (length < available && !isTextModeByte(bytes[length], stopAtLf)) {
        ++length;
    }
    return length;
}
#else
// Nonzero when some byte of `word` equals `byte`.
constexpr std::uint64_t hasByte(std::uint64_t word, unsigned char byte) {
    constexpr std::uint64_t Ones = 0x0101010101010101ull;
    constexpr std::uint64_t Highs = 0x8080808080808080ull;
    std::uint64_t x = word ^ (Ones * byte);
    return (x - Ones) & ~x & Highs;
}

// The length of the run of bytes that text mode passes unchanged (all but CR and
// 0x1A, and LF too when `stopAtLf`), eight at a time while none is near.
std::size_t plainRun(const unsigned char* bytes, std::size_t available, bool stopAtLf) {
    std::size_t length = 0;
    while (available - length >= sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, bytes + length, sizeof word);
        std::uint64_t found = hasByte(word, Cr) | hasByte(word, EndOfText);
        if (stopAtLf) {
            found |= hasByte(word, Lf);
        }
        if (found != 0) {
            break;
        }
        length += sizeof word;
    }
    while (length < available && !isTextModeByte(bytes[length], stopAtLf)) {
        ++length;
    }
    return length;
}
#endif

// True when at least one raw byte is waiting.
bool fillReader(TextReader& reader) {
    if (reader.position < reader.end) {
        return true;
    }
    if (reader.exhausted || reader.failed) {
        return false;
    }
    if (reader.fd < 0) {
        reader.exhausted = true;  // memory input is handed over whole
        return false;
    }
    for (;;) {
        long long got = readSome(reader.fd, reader.buffer.data(), reader.buffer.size());
        if (got > 0) {
            reader.data = reader.buffer.data();
            reader.position = 0;
            reader.end = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            reader.exhausted = true;
            return false;
        }
        if (errno != EINTR) {
            reader.failed = true;
            return false;
        }
    }
}

// The next translated byte, or -1 at the end of the input.
int readByte(TextReader& reader) {
    if (reader.pendingCr) {
        reader.pendingCr = false;
        if (fillReader(reader) && reader.data[reader.position] == Lf) {
            ++reader.position;
            return Lf;
        }
        return Cr;
    }
    if (!fillReader(reader)) {
        return -1;
    }
    unsigned char byte = reader.data[reader.position++];
    if (byte == EndOfText) {
        reader.exhausted = true;
        reader.position = reader.end;
        return -1;
    }
    if (byte == Cr) {
        reader.pendingCr = true;
        return readByte(reader);
    }
    return byte;
}

bool writeToFile(TextWriter& writer, const char* bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size && !writer.failed) {
        long long wrote = writeSome(writer.fd, bytes + done, size - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
        } else if (wrote < 0 && errno == EINTR) {
            continue;
        } else {
            writer.failed = true;
        }
    }
    return !writer.failed;
}

bool flushWriter(TextWriter& writer) {
    writeToFile(writer, writer.buffer.data(), writer.used);
    writer.used = 0;
    return !writer.failed;
}

void putBytes(TextWriter& writer, const char* bytes, std::size_t size) {
    // A block of half the buffer or more goes to the file as it is, not copied.
    if (size >= writer.buffer.size() / 2 && !writer.failed) {
        if (flushWriter(writer)) {
            writeToFile(writer, bytes, size);
        }
        return;
    }
    while (size > 0 && !writer.failed) {
        if (writer.used == writer.buffer.size() && !flushWriter(writer)) {
            return;
        }
        std::size_t room = writer.buffer.size() - writer.used;
        std::size_t take = size < room ? size : room;
        std::memcpy(writer.buffer.data() + writer.used, bytes, take);
        writer.used += take;
        bytes += take;
        size -= take;
    }
}

}  // namespace

bool openTextReader(TextReader& reader, const char* path) {
    reader = TextReader{};
    int fd = openForReading(path);
    if (fd < 0) {
        return false;
    }
    StatBuffer info{};
    if (statFile(fd, &info) != 0 || !isRegular(info)) {
        closeFile(fd);
        return false;
    }
    reader.fd = fd;
    reader.buffer.resize(TextBufferSize);
    reader.data = reader.buffer.data();
    return true;
}

void openTextReader(TextReader& reader, std::span<const unsigned char> bytes) {
    reader = TextReader{};
    reader.memory = bytes;
    reader.data = bytes.data();
    reader.end = bytes.size();
}

void closeTextReader(TextReader& reader) {
    if (reader.fd >= 0) {
        closeFile(reader.fd);
        reader.fd = -1;
    }
}

std::size_t readText(TextReader& reader, char* out, std::size_t capacity) {
    std::size_t count = 0;
    while (count < capacity) {
        if (reader.pendingCr) {
            out[count++] = static_cast<char>(readByte(reader));
            continue;
        }
        if (!fillReader(reader)) {
            break;
        }
        // Copy the run up to the next byte that needs attention in one go.
        const unsigned char* run = reader.data + reader.position;
        std::size_t available = reader.end - reader.position;
        if (available > capacity - count) {
            available = capacity - count;
        }
        std::size_t length = plainRun(run, available, false);
        std::memcpy(out + count, run, length);
        count += length;
        reader.position += length;
        // The common line end, CR LF within the buffer, without the byte reader.
        if (length + 1 < available && run[length] == Cr && run[length + 1] == Lf) {
            out[count++] = static_cast<char>(Lf);
            reader.position += 2;
            continue;
        }
        if (length < available) {
            int byte = readByte(reader);
            if (byte < 0) {
                break;
            }
            out[count++] = static_cast<char>(byte);
        }
    }
    return count;
}

bool readLine(TextReader& reader, std::string& line) {
    line.clear();
    for (;;) {
        if (!reader.pendingCr && fillReader(reader)) {
            const unsigned char* run = reader.data + reader.position;
            std::size_t available = reader.end - reader.position;
            std::size_t length = plainRun(run, available, true);
            line.append(reinterpret_cast<const char*>(run), length);
            reader.position += length;
            if (length == available) {
                continue;
            }
        }
        int byte = readByte(reader);
        if (byte < 0) {
            return !line.empty();
        }
        line.push_back(static_cast<char>(byte));
        if (byte == Lf) {
            return true;
        }
    }
}

bool readWholeFile(TextReader& file, std::vector<unsigned char>& bytes) {
    if (file.fd < 0) {
        return false;
    }
    for (;;) {
        std::size_t used = bytes.size();
        bytes.resize(used + TextBufferSize);
        long long got = readSome(file.fd, bytes.data() + used, TextBufferSize);
        bytes.resize(used + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got == 0) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
    }
}

CreateResult createTextWriter(TextWriter& writer, const char* path) {
    writer = TextWriter{};
    int fd = openExclusive(path);
    if (fd < 0) {
        return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
    }
    writer.fd = fd;
    writer.buffer.resize(TextBufferSize);
    return CreateResult::Created;
}

CreateResult createTemporaryBeside(TextWriter& writer, const std::string& target,
                                   std::string& temporaryPath) {
    // A name nobody else is likely to use, tried until one is free.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temporaryPath = target;
        temporaryPath += ".tmp";
        temporaryPath += std::to_string(processId());
        temporaryPath += '-';
        temporaryPath += std::to_string(attempt);
        CreateResult result = createTextWriter(writer, temporaryPath.c_str());
        if (result != CreateResult::Exists) {
            return result;
        }
    }
    return CreateResult::Failed;
}

void writeText(TextWriter& writer, std::string_view text) {
    static constexpr char CrLf[] = {'\r', '\n'};
    while (!text.empty()) {
        std::size_t lineEnd = text.find('\n');
        if (lineEnd == std::string_view::npos) {
            putBytes(writer, text.data(), text.size());
            return;
        }
        putBytes(writer, text.data(), lineEnd);
        putBytes(writer, CrLf, sizeof CrLf);
        text.remove_prefix(lineEnd + 1);
    }
}

void writeBinary(TextWriter& writer, std::string_view bytes) {
    putBytes(writer, bytes.data(), bytes.size());
}

bool closeTextWriter(TextWriter& writer) {
    if (writer.fd < 0) {
        return false;
    }
    flushWriter(writer);
    if (closeFile(writer.fd) != 0) {
        writer.failed = true;
    }
    writer.fd = -1;
    return !writer.failed;
}

bool removeFile(const char* path) {
    return std::remove(path) == 0;
}

bool replaceFile(const char* from, const char* to) {
#ifdef _WIN32
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

TargetState targetState(const char* path) {
    StatBuffer info{};
    if (statPath(path, &info) != 0) {
        return errno == ENOENT ? TargetState::Missing : TargetState::NotWritable;
    }
    if (!isRegular(info) || !mayWrite(path)) {
        return TargetState::NotWritable;
    }
    return TargetState::Writable;
}

}  // namespace tarnwick
