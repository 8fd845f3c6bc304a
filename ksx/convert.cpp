// The scan, byte by byte, tested in this order:
//   0x00         ends the line: the rest of it, line feed included, is dropped
//   0x01..0x1F   control byte: a two-byte unit under Ucs2, else written as it is
//   0x20..0x7F   "U+XXXX" and "&#N;" escapes (unless the format leaves them in
//                the text), else an ASCII character
//   0x80..0xFF   lead byte; with the byte after it, a double-byte character:
//                  symbol and Hangul area  lead 0xA1..0xC8, trail >= 0xA1
//                  Hanja area              lead >= 0xCA,    trail >= 0xA1
//                  extended Hanja area     every other pair
//                converted through lookupSymbolHangul (first area) or
//                lookupHanja (the others) when the source range covers its area.
// The input is streamed in pieces; a character or escape cut by a piece
// boundary is carried over, so the output is the same as scanning whole lines.
//
// Two scans give the same bytes. The reference scan writes each character
// through the writers below, the lookups called for every pair. The page's
// format, UTF-8, takes a table-driven scan instead: the UTF-8 form of every pair
// of the main block (lead and trail 0xA1..0xFE) is read from the lookups once,
// ASCII is copied as it stands and LF becomes CR LF in the scan itself, all into
// a buffer that goes to the target once per piece; where SSE2 is at hand, blocks
// of sixteen bytes that hold nothing else are converted without a branch per
// character. Anything rarer (escapes, zero bytes, pairs outside the main block,
// a piece's cut end) is done as the reference scan does it, with the same
// encoders and lookups.
#include "ksx/convert.hpp"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TARNWICK_BLOCK_SCAN 1
#endif

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ksx/convert_reference.hpp"
#include "ksx/encoders.hpp"
#include "ksx/escapes.hpp"
#include "ksx/tables/lookup.hpp"

namespace tarnwick {

namespace {

constexpr std::size_t PieceSize = std::size_t{32} * 1024;
// The longest look-ahead of the scan: "U+" and four digits less the first byte.
constexpr std::size_t LongestCarry = 5;

const char* formatLabel(TargetFormat format) {
    switch (format) {
        case TargetFormat::UnicodeMarkup:
            return "KSX -> UniCode MarkUp: &#00000;";
        case TargetFormat::Ucs2:
            return "KSX -> UCS2 Big-Ending";
        case TargetFormat::Utf8:
            return "KSX -> UTF8";
        case TargetFormat::Ucs2HexMarkup:
            return "KSX -> UCS2 Hexa Value MarkUp";
    }
    return "";
}

const char* rangeLabel(SourceRange range) {
    switch (range) {
        case SourceRange::None:
            return "None";
        case SourceRange::AllCharacters:
            return "All Characters";
        case SourceRange::TwoByteCharacters:
            return "2 Byte Characters";
        case SourceRange::Hanja:
            return "Hanja";
        case SourceRange::ExtendedHanja:
            return "Extended Hanja";
    }
    return "";
}

bool isSymbolHangulPair(unsigned lead, unsigned trail) {
    return lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1;
}

bool isHanjaPair(unsigned lead, unsigned trail) {
    return lead >= 0xCA && trail >= 0xA1;
}

bool convertsPair(SourceRange range, unsigned lead, unsigned trail) {
    switch (range) {
        case SourceRange::None:
            return false;
        case SourceRange::AllCharacters:
        case SourceRange::TwoByteCharacters:
            return true;
        case SourceRange::Hanja:
            return !isSymbolHangulPair(lead, trail);
        case SourceRange::ExtendedHanja:
            return !isSymbolHangulPair(lead, trail) && !isHanjaPair(lead, trail);
    }
    return false;
}

void writeFormatted(TextWriter& target, const char* format, std::int32_t value) {
    std::array<char, 32> text{};
    int length = std::snprintf(text.data(), text.size(), format, static_cast<int>(value));
    writeText(target, std::string_view(text.data(), static_cast<std::size_t>(length)));
}

// A 16-bit unit, low byte first. A line feed keeps its carriage return, as text
// mode would give it, but no byte inside a unit is ever translated.
void writeUcs2Unit(TextWriter& target, Ucs2Pair pair) {
    if (pair.low == 0x0A && pair.high == 0) {
        writeBinary(target, std::string_view("\x0D\x00\x0A\x00", 4));
        return;
    }
    const char bytes[2] = {static_cast<char>(pair.low), static_cast<char>(pair.high)};
    writeBinary(target, std::string_view(bytes, 2));
}

void writeUtf8(TextWriter& target, const Utf8Text& text, std::size_t length) {
    writeText(target, std::string_view(text.data(), length));
}

// The replacement mark in the target format, for a lead byte that has no byte
// after it.
void writeReplacementMark(TextWriter& target, TargetFormat format) {
    convertDecimalEscape(target, ReplacementCode, format);
}

struct ScanState {
    TextWriter& target;
    TargetFormat format;
    SourceRange range;
    bool skippingLine = false;  // after a zero byte, up to and with the line feed
    bool inDecimal = false;     // inside the digits of a decimal escape
    std::int32_t decimalValue = 0;
};

void writePlain(ScanState& scan, const unsigned char* bytes, std::size_t length) {
    std::string_view text(reinterpret_cast<const char*>(bytes), length);
    if (scan.format == TargetFormat::Ucs2) {
        writeBinary(scan.target, text);
    } else {
        writeText(scan.target, text);
    }
}

// An ASCII byte that is not part of an escape.
void writeAscii(ScanState& scan, const unsigned char* byte) {
    if (scan.range == SourceRange::AllCharacters) {
        convertCharacter(scan.target, byte, 1, scan.format);
    } else {
        writePlain(scan, byte, 1);
    }
}

void finishDecimal(ScanState& scan) {
    convertDecimalEscape(scan.target, scan.decimalValue, scan.format);
    scan.inDecimal = false;
}

// After a zero byte: the rest of the line, its line feed included, is passed
// over. Returns where the scan goes on (`size` when the line goes on past it).
std::size_t skipRestOfLine(ScanState& scan, const unsigned char* text, std::size_t i,
                           std::size_t size) {
    const void* lineFeed = std::memchr(text + i, '\n', size - i);
    if (lineFeed == nullptr) {
        return size;
    }
    scan.skippingLine = false;
    return static_cast<std::size_t>(static_cast<const unsigned char*>(lineFeed) - text) + 1;
}

// Inside a decimal escape: takes its digits and a ";" right after them. False
// when the digits may go on in the next piece.
bool takeDecimalDigits(ScanState& scan, const unsigned char* text, std::size_t& i,
                       std::size_t size) {
    while (i < size && isDecimalDigit(static_cast<char>(text[i]))) {
        scan.decimalValue = scan.decimalValue * 10 + (text[i] - '0');
        if (scan.decimalValue > OverlongEscapeValue) {
            scan.decimalValue = OverlongEscapeValue;
        }
        ++i;
    }
    if (i == size) {
        return false;
    }
    if (text[i] == ';') {
        ++i;
    }
    return true;
}

// Scans text[0, size) and returns how much of it was used. Unless `final`, a
// character or escape that may go on past `size` is left for the next call.
std::size_t scanText(ScanState& scan, const unsigned char* text, std::size_t size, bool final) {
    std::size_t i = 0;
    while (i < size) {
        if (scan.skippingLine) {
            i = skipRestOfLine(scan, text, i, size);
            continue;
        }
        if (scan.inDecimal) {
            if (!takeDecimalDigits(scan, text, i, size)) {
                break;
            }
            finishDecimal(scan);
            continue;
        }

        // A run of bytes that are written as they are, in one go.
        std::size_t run = i;
        if (scan.range != SourceRange::AllCharacters && scan.format != TargetFormat::Ucs2) {
            while (run < size && text[run] >= 0x01 && text[run] < 0x80 && text[run] != 'U' &&
                   text[run] != '&') {
                ++run;
            }
        }
        if (run > i) {
            writePlain(scan, text + i, run - i);
            i = run;
            continue;
        }

        unsigned char byte = text[i];
        std::size_t left = size - i;
        if (byte == 0) {
            scan.skippingLine = true;
            ++i;
        } else if (byte < 0x20) {
            if (scan.format == TargetFormat::Ucs2) {
                convertCharacter(scan.target, text + i, 1, scan.format);
            } else {
                writePlain(scan, text + i, 1);
            }
            ++i;
        } else if (byte < 0x80) {
            std::string_view rest(reinterpret_cast<const char*>(text + i), left);
            if (byte == 'U' && scan.format != TargetFormat::Ucs2HexMarkup) {
                if (left < 6 && !final) {
                    break;
                }
                if (matchHexEscape(rest).length != 0) {
                    convertHexEscape(scan.target, rest.substr(2, 4), scan.format);
                    i += 6;
                    continue;
                }
            } else if (byte == '&' && scan.format != TargetFormat::UnicodeMarkup) {
                if (left < 3 && !final) {
                    break;
                }
                if (matchDecimalEscape(rest).length != 0) {
                    scan.inDecimal = true;
                    scan.decimalValue = 0;
                    i += 2;
                    continue;
                }
            }
            writeAscii(scan, text + i);
            ++i;
        } else if (left < 2) {
            if (!final) {
                break;
            }
            writeReplacementMark(scan.target, scan.format);
            ++i;
        } else {
            unsigned char trail = text[i + 1];
            if (convertsPair(scan.range, byte, trail)) {
                convertCharacter(scan.target, text + i, 2, scan.format);
            } else {
                writePlain(scan, text + i, 2);
            }
            i += 2;
        }
        if (scan.target.failed) {
            return size;
        }
    }
    if (final && scan.inDecimal) {
        finishDecimal(scan);
    }
    return i;
}

// The table-driven scan of the UTF-8 format.

constexpr unsigned MainBlockFirst = 0xA1;
constexpr unsigned MainBlockLast = 0xFE;

// A unit's UTF-8 form in the file: its bytes, then their count in the last byte.
using UnitForm = std::array<unsigned char, 4>;

// Indexed by a unit's first byte plus 256 times its second, the order in which
// the bytes lie in the text. Filled once, from the lookups, for the pairs of the
// main block (94 x 94); a count of 0 sends any other pair to the lookup every
// time, and so would a form that is empty or holds a LF, should a table ever
// give one (the block scan, which trusts every main-block form, is then not
// used). Below 0x80 (second byte 0) the single bytes: each itself, LF as CR LF,
// and the zero byte with nothing, which is what the second byte of a pair is
// given in the block scan. The rest of the table stays zero and untouched.
std::array<UnitForm, 65536> unitForms;

std::size_t unitFormIndex(unsigned first, unsigned second) {
    return first | second << 8;
}

// True when every pair of the main block has its form.
bool fillUnitForms() {
    bool complete = true;
    for (unsigned byte = 0x01; byte < 0x80; ++byte) {
        unitForms[byte] = byte == '\n' ? UnitForm{'\r', '\n', 0, 2}
                                       : UnitForm{static_cast<unsigned char>(byte), 0, 0, 1};
    }
    for (unsigned lead = MainBlockFirst; lead <= MainBlockLast; ++lead) {
        for (unsigned trail = MainBlockFirst; trail <= MainBlockLast; ++trail) {
            Utf8Text text{};
            std::size_t length = lookupPair(static_cast<unsigned char>(lead),
                                            static_cast<unsigned char>(trail), text);
            if (length == 0 || length >= sizeof(UnitForm) ||
                std::memchr(text.data(), '\n', length) != nullptr) {
                complete = false;
                continue;
            }
            UnitForm& form = unitForms[unitFormIndex(lead, trail)];
            std::memcpy(form.data(), text.data(), length);
            form.back() = static_cast<unsigned char>(length);
        }
    }
    return complete;
}

// Fills the forms on the first call; true when the block scan may be used.
bool unitFormsComplete() {
    static const bool complete = fillUnitForms();
    return complete;
}

// The bytes that the UTF-8 scan writes as they stand: below 0x80, except the
// zero byte, LF and the first bytes of the two escapes.
constexpr std::array<bool, 256> WrittenAsTheyStand = [] {
    std::array<bool, 256> table{};
    for (unsigned byte = 0x01; byte < 0x80; ++byte) {
        table[byte] = byte != '\n' && byte != 'U' && byte != '&';
    }
    return table;
}();

// The file's bytes of one piece. Nothing that the scan writes for a byte of
// input takes more than two bytes (LF, a pair's form, an escape's character),
// and a piece adds at most an escape finished at its start, a replacement mark
// at the input's end and the spare bytes of the last form or block stored.
struct Utf8Chunk {
    std::unique_ptr<char[]> bytes;  // not cleared: only what the scan writes is read
    std::size_t used = 0;
};
constexpr std::size_t ChunkSlack = 32;

// Text as writeText would give it to the file: LF as CR LF.
char* appendText(char* out, const Utf8Text& text, std::size_t length) {
    for (std::size_t k = 0; k < length; ++k) {
        if (text[k] == '\n') {
            *out++ = '\r';
        }
        *out++ = text[k];
    }
    return out;
}

#ifdef TARNWICK_BLOCK_SCAN
// Sixteen bytes at a time, without a branch per unit: where the units start is
// worked out for the whole block from its high bits, and each of the sixteen
// positions writes the form of its unit (a pair's second byte writes nothing).
constexpr std::size_t BlockSize = 16;

// One byte of the vector per bit of `mask`: 0xFF where the bit is set.
__m128i spreadBits(unsigned mask) {
    const __m128i bitOfByte = _mm_set1_epi64x(0x8040201008040201ll);
    __m128i spread = _mm_set_epi64x(static_cast<long long>((mask >> 8) * 0x0101010101010101ull),
                                    static_cast<long long>((mask & 0xFF) * 0x0101010101010101ull));
    return _mm_cmpeq_epi8(_mm_and_si128(spread, bitOfByte), bitOfByte);
}

// Converts the block at `text`, and the byte after it when the block ends in a
// lead byte, if it holds only pairs of the main block and ASCII other than the
// zero byte, "U" and "&". Returns the bytes used, or 0 when the block must be
// scanned unit by unit. The block starts at the start of a unit.
std::size_t convertBlock(const unsigned char* text, char*& out,
                         const std::array<UnitForm, 65536>& forms) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    // As signed bytes, 0x80..0xA0 are -128..-96 and 0xFF is -1: the high bytes
    // outside the main block.
    __m128i refused =
        _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(-95)),
                                  _mm_cmpeq_epi8(bytes, _mm_set1_epi8(-1))),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()),
                                  _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('U')),
                                               _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')))));
    if (_mm_movemask_epi8(refused) != 0) {
        return 0;
    }
    auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
    if (high == 0 && _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))) == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        out += BlockSize;
        return BlockSize;
    }

    // A run of high bytes starts with a lead byte and alternates: its lead bytes
    // lie at the positions whose parity is that of the run's start. Adding the
    // starts at even positions clears the runs that they start.
    unsigned runStarts = high & ~(high << 1);
    unsigned oddRuns = (high + (runStarts & 0x5555u)) & high;
    unsigned leads = ((high & ~oddRuns) & 0x5555u) | (oddRuns & 0xAAAAu);
    // Every lead byte needs a trail byte of the main block after it: a run of
    // odd length that ends within the block has a lead byte before ASCII.
    if (((leads << 1) & ~high & 0xFFFFu) != 0) {
        return 0;
    }
    std::size_t used = BlockSize;
    if ((leads & 0x8000u) != 0) {
        if (static_cast<unsigned>(text[BlockSize] - MainBlockFirst) >
            MainBlockLast - MainBlockFirst) {
            return 0;
        }
        used = BlockSize + 1;
    }

    // Each position's index into the forms: a lead byte with its trail byte, a
    // single byte alone, a trail byte 0 (the empty form).
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 1));
    __m128i leadBytes = spreadBits(leads);
    __m128i keptBytes = _mm_or_si128(leadBytes, _mm_cmpgt_epi8(bytes, _mm_set1_epi8(-1)));
    alignas(16) std::array<std::uint16_t, BlockSize> index;
    _mm_store_si128(
        reinterpret_cast<__m128i*>(index.data()),
        _mm_and_si128(_mm_unpacklo_epi8(bytes, next), _mm_unpacklo_epi8(keptBytes, leadBytes)));
    _mm_store_si128(
        reinterpret_cast<__m128i*>(index.data() + 8),
        _mm_and_si128(_mm_unpackhi_epi8(bytes, next), _mm_unpackhi_epi8(keptBytes, leadBytes)));
    // x86 is little-endian: the count, the form's last byte, is the word's top.
    for (std::uint16_t position : index) {
        std::uint32_t form;
        std::memcpy(&form, forms[position].data(), sizeof form);
        std::memcpy(out, &form, sizeof form);
        out += form >> 24;
    }
    return used;
}
#endif

// As scanText under Utf8 (which converts every pair), into `chunk`.
std::size_t scanUtf8(ScanState& scan, Utf8Chunk& chunk, const unsigned char* text, std::size_t size,
                     bool final) {
    bool complete = unitFormsComplete();
    const std::array<UnitForm, 65536>& forms = unitForms;
    char* out = chunk.bytes.get() + chunk.used;
#ifdef TARNWICK_BLOCK_SCAN
    // After a block that the block scan refused, up to its end unit by unit.
    std::size_t unitByUnitUntil = complete ? 0 : SIZE_MAX;
#else
    (void)complete;
#endif
    Utf8Text character{};
    std::size_t i = 0;
    while (i < size) {
        if (scan.skippingLine) {
            i = skipRestOfLine(scan, text, i, size);
            continue;
        }
        if (scan.inDecimal) {
            if (!takeDecimalDigits(scan, text, i, size)) {
                break;
            }
            out = appendText(out, character, codeToUtf8(scan.decimalValue, character));
            scan.inDecimal = false;
            continue;
        }

        // The common units, one after another. The byte after the text is a
        // zero byte, which is no trail byte of the main block: a lead byte at
        // the end of the text goes the rarer way.
        while (i < size) {
#ifdef TARNWICK_BLOCK_SCAN
            if (i >= unitByUnitUntil && size - i >= BlockSize) {
                std::size_t used = convertBlock(text + i, out, forms);
                if (used != 0) {
                    i += used;
                    continue;
                }
                unitByUnitUntil = i + BlockSize;
            }
#endif
            unsigned char byte = text[i];
            if (byte >= 0x80) {
                const UnitForm& form = forms[unitFormIndex(byte, text[i + 1])];
                if (form.back() == 0) {
                    break;
                }
                std::memcpy(out, form.data(), form.size());
                out += form.back();
                i += 2;
            } else if (WrittenAsTheyStand[byte]) {
                *out++ = static_cast<char>(byte);
                ++i;
            } else if (byte == '\n') {
                out[0] = '\r';
                out[1] = '\n';
                out += 2;
                ++i;
            } else {
                break;
            }
        }
        if (i == size) {
            break;
        }

        // The rarer units, as scanText does them.
        unsigned char byte = text[i];
        std::size_t left = size - i;
        if (byte == 0) {
            scan.skippingLine = true;
            ++i;
        } else if (byte < 0x80) {
            std::string_view rest(reinterpret_cast<const char*>(text + i), left);
            if (byte == 'U') {
                if (left < 6 && !final) {
                    break;
                }
                if (matchHexEscape(rest).length != 0) {
                    Ucs2Pair pair = hexToUcs2Pair(rest.substr(2, 4));
                    out = appendText(out, character, ucs2PairToUtf8(pair, character));
                    i += 6;
                    continue;
                }
            } else {
                if (left < 3 && !final) {
                    break;
                }
                if (matchDecimalEscape(rest).length != 0) {
                    scan.inDecimal = true;
                    scan.decimalValue = 0;
                    i += 2;
                    continue;
                }
            }
            *out++ = static_cast<char>(byte);
            ++i;
        } else if (left < 2) {
            if (!final) {
                break;
            }
            out = appendText(out, character, codeToUtf8(ReplacementCode, character));
            ++i;
        } else {
            out = appendText(out, character, lookupPair(byte, text[i + 1], character));
            i += 2;
        }
    }
    if (final && scan.inDecimal) {
        out = appendText(out, character, codeToUtf8(scan.decimalValue, character));
        scan.inDecimal = false;
    }
    chunk.used = static_cast<std::size_t>(out - chunk.bytes.get());
    return i;
}

enum class ScanPath { Reference, TableDriven };

// Reports a failure about the target and removes the unfinished output.
int failConversion(const char* message, const char* target, const std::string& temporaryPath) {
    removeFile(temporaryPath.c_str());
    std::printf(message, target);
    return -1;
}

}  // namespace

void convertCharacter(TextWriter& target, const unsigned char* bytes, int width,
                      TargetFormat format) {
    if (width == 1) {
        unsigned value = bytes[0];
        switch (format) {
            case TargetFormat::UnicodeMarkup:
                writeFormatted(target, "&#%05d;", static_cast<std::int32_t>(value));
                return;
            case TargetFormat::Ucs2:
                writeUcs2Unit(target, codeToUcs2Pair(static_cast<std::int32_t>(value)));
                return;
            case TargetFormat::Utf8:
                writeText(target, std::string_view(reinterpret_cast<const char*>(bytes), 1));
                return;
            case TargetFormat::Ucs2HexMarkup:
                writeFormatted(target, "U+00%02X", static_cast<std::int32_t>(value));
                return;
        }
        return;
    }
    Utf8Text text{};
    std::size_t length = lookupPair(bytes[0], bytes[1], text);
    switch (format) {
        case TargetFormat::UnicodeMarkup:
            writeFormatted(target, "&#%05d;", utf8ToCode(text));
            return;
        case TargetFormat::Ucs2:
            writeUcs2Unit(target, utf8ToUcs2Pair(text));
            return;
        case TargetFormat::Utf8:
            writeUtf8(target, text, length);
            return;
        case TargetFormat::Ucs2HexMarkup: {
            Ucs2Pair pair = utf8ToUcs2Pair(text);
            writeFormatted(target, "U+%04X", ucs2PairToCode(pair));
            return;
        }
    }
}

void convertHexEscape(TextWriter& target, std::string_view body, TargetFormat format) {
    Ucs2Pair pair = hexToUcs2Pair(body);
    switch (format) {
        case TargetFormat::UnicodeMarkup:
            writeFormatted(target, "&#%05d;", ucs2PairToCode(pair));
            return;
        case TargetFormat::Ucs2:
            writeUcs2Unit(target, pair);
            return;
        case TargetFormat::Utf8: {
            Utf8Text text{};
            writeUtf8(target, text, ucs2PairToUtf8(pair, text));
            return;
        }
        case TargetFormat::Ucs2HexMarkup:
            // The scan leaves hexadecimal escapes in the text under this format.
            writeFormatted(target, "U+%04X", ucs2PairToCode(pair));
            return;
    }
}

void convertDecimalEscape(TextWriter& target, std::int32_t value, TargetFormat format) {
    // Above the last character there is no character: the replacement mark.
    if (value < 0 || value > LastCode) {
        value = ReplacementCode;
    }
    switch (format) {
        case TargetFormat::UnicodeMarkup:
            // The scan leaves decimal escapes in the text under this format.
            writeFormatted(target, "&#%05d;", value);
            return;
        case TargetFormat::Ucs2:
            writeUcs2Unit(target, codeToUcs2Pair(value));
            return;
        case TargetFormat::Utf8: {
            Utf8Text text{};
            writeUtf8(target, text, codeToUtf8(value, text));
            return;
        }
        case TargetFormat::Ucs2HexMarkup:
            writeFormatted(target, "U+%04X", value);
            return;
    }
}

namespace {

int convertFile(const char* source, const char* target, TargetFormat format, SourceRange range,
                ScanPath path) {
    if (format == TargetFormat::Utf8) {
        range = SourceRange::TwoByteCharacters;
    }
    TextReader reader;
    if (!openTextReader(reader, source)) {
        std::printf("\nInput File %s Not Found!\n", source);
        return -1;
    }
    // The output goes to a new file beside the target, which takes the target's
    // place only when all of it was written: a failed run leaves the target as
    // it was.
    TextWriter writer;
    std::string temporaryPath;
    if (targetState(target) == TargetState::NotWritable ||
        createTemporaryBeside(writer, target, temporaryPath) != CreateResult::Created) {
        closeTextReader(reader);
        std::printf("\nOutput File %s Creation Error!\n", target);
        return -1;
    }

    if (format == TargetFormat::Ucs2) {
        writeBinary(writer, "\xFF\xFE");
    } else if (format == TargetFormat::Utf8) {
        writeBinary(writer, "\xEF\xBB\xBF");
    }
    std::printf("Source Range : %s\n", rangeLabel(range));
    std::printf("Target Format: %s\n", formatLabel(format));

    ScanState scan{writer, format, range};
    // One byte more than a piece holds: the table-driven scan reads the byte
    // after the text, which is always zero.
    std::vector<unsigned char> piece(PieceSize + LongestCarry + 1);
    bool tableDriven = path == ScanPath::TableDriven && format == TargetFormat::Utf8;
    Utf8Chunk chunk;
    if (tableDriven) {
        chunk.bytes.reset(new char[2 * (PieceSize + LongestCarry) + ChunkSlack]);
    }
    std::size_t carried = 0;
    for (;;) {
        std::size_t got =
            readText(reader, reinterpret_cast<char*>(piece.data() + carried), PieceSize);
        bool final = got == 0;
        std::size_t size = carried + got;
        std::size_t used = 0;
        if (tableDriven) {
            piece[size] = 0;
            used = scanUtf8(scan, chunk, piece.data(), size, final);
            writeBinary(writer, std::string_view(chunk.bytes.get(), chunk.used));
            chunk.used = 0;
        } else {
            used = scanText(scan, piece.data(), size, final);
        }
        if (final || writer.failed) {
            break;
        }
        carried = size - used;
        std::memmove(piece.data(), piece.data() + used, carried);
    }
    bool readFailed = reader.failed;
    closeTextReader(reader);

    if (readFailed) {
        closeTextWriter(writer);
        removeFile(temporaryPath.c_str());
        std::printf("\nInput File %s Read Error!\n", source);
        return -1;
    }
    if (!closeTextWriter(writer)) {
        return failConversion("\nOutput File %s Write Error!\n", target, temporaryPath);
    }
    if (!replaceFile(temporaryPath.c_str(), target)) {
        return failConversion("\nOutput File %s Creation Error!\n", target, temporaryPath);
    }
    return 0;
}

}  // namespace

int convertKsxFileAs(const char* source, const char* target, TargetFormat format,
                     SourceRange range) {
    return convertFile(source, target, format, range, ScanPath::TableDriven);
}

int convertKsxFileByReference(const char* source, const char* target, TargetFormat format,
                              SourceRange range) {
    return convertFile(source, target, format, range, ScanPath::Reference);
}

int convertKsxFile(const char* source, const char* target) {
    return convertKsxFileAs(source, target, TargetFormat::Utf8, SourceRange::TwoByteCharacters);
}

}  // namespace tarnwick
