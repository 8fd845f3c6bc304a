// Every file the program reads or writes goes through here. Files are opened in
// binary mode and text mode is emulated, so a plan gives the same bytes on every
// platform: on reading, CR LF arrives as LF, a lone CR stays and a byte 0x1A ends
// the input; on writing, every LF leaves as CR LF.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

inline constexpr std::size_t TextBufferSize = std::size_t{64} * 1024;

struct TextReader {
    int fd = -1;
    std::span<const unsigned char> memory;  // read from memory instead of a file
    std::vector<unsigned char> buffer;
    const unsigned char* data = nullptr;  // bytes not yet taken: data[position, end)
    std::size_t position = 0;
    std::size_t end = 0;
    bool exhausted = false;  // end of file, or a 0x1A, was reached
    bool pendingCr = false;  // a CR whose next byte has not been seen yet
    bool failed = false;     // a read error; the input is not complete
};

// False when the file cannot be opened or is not a regular file (a directory, say).
bool openTextReader(TextReader& reader, const char* path);
// Reads the given bytes as if they were a file's.
void openTextReader(TextReader& reader, std::span<const unsigned char> bytes);
void closeTextReader(TextReader& reader);

// Up to `capacity` bytes of translated text; 0 only at the end of the input.
std::size_t readText(TextReader& reader, char* out, std::size_t capacity);

// One whole line, its LF included when it has one, whatever its length. False at
// the end of the input (and on a read error, which `reader.failed` tells).
bool readLine(TextReader& reader, std::string& line);

// Appends the bytes of a file opened with openTextReader and not yet read, as
// they stand: CR LF stays CR LF and 0x1A is a byte like any other (for what must
// see the whole file before the text-mode rules apply, such as a plan's
// encoding). False on a read error.
bool readWholeFile(TextReader& file, std::vector<unsigned char>& bytes);

struct TextWriter {
    int fd = -1;
    std::vector<char> buffer;
    std::size_t used = 0;
    bool failed = false;
};

enum class CreateResult { Created, Exists, Failed };

// Creates a new file; an existing file of that name is never opened or changed.
CreateResult createTextWriter(TextWriter& writer, const char* path);
// Creates a new file with an unused name beside `target` and gives its path.
CreateResult createTemporaryBeside(TextWriter& writer, const std::string& target,
                                   std::string& temporaryPath);

// Text: every LF leaves as CR LF.
void writeText(TextWriter& writer, std::string_view text);
// Bytes exactly as given (units of two-byte formats, say).
void writeBinary(TextWriter& writer, std::string_view bytes);
// Flushes and closes; false when any write or the close failed.
bool closeTextWriter(TextWriter& writer);

bool removeFile(const char* path);
// Puts `from` in the place of `to`, replacing an existing `to`.
bool replaceFile(const char* from, const char* to);

enum class TargetState { Missing, Writable, NotWritable };
// Whether a file we are about to replace may be written: a read-only file or
// anything that is not a regular file may not.
TargetState targetState(const char* path);

}  // namespace tarnwick
