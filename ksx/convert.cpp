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
#include "ksx/convert.hpp"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ksx/encoders.hpp"
#include "ksx/escapes.hpp"
#include "ksx/tables/lookup.hpp"

namespace tarnwick {

namespace {

constexpr std::size_t PieceSize = std::size_t{64} * 1024;
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

// Scans text[0, size) and returns how much of it was used. Unless `final`, a
// character or escape that may go on past `size` is left for the next call.
std::size_t scanText(ScanState& scan, const unsigned char* text, std::size_t size, bool final) {
    std::size_t i = 0;
    while (i < size) {
        if (scan.skippingLine) {
            const void* lineFeed = std::memchr(text + i, '\n', size - i);
            if (lineFeed == nullptr) {
                return size;
            }
            i = static_cast<std::size_t>(static_cast<const unsigned char*>(lineFeed) - text) + 1;
            scan.skippingLine = false;
            continue;
        }
        if (scan.inDecimal) {
            while (i < size && isDecimalDigit(static_cast<char>(text[i]))) {
                scan.decimalValue = scan.decimalValue * 10 + (text[i] - '0');
                if (scan.decimalValue > OverlongEscapeValue) {
                    scan.decimalValue = OverlongEscapeValue;
                }
                ++i;
            }
            if (i == size) {
                break;  // the digits may go on in the next piece
            }
            if (text[i] == ';') {
                ++i;
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
    std::size_t length = isSymbolHangulPair(bytes[0], bytes[1])
                             ? lookupSymbolHangul(bytes[0], bytes[1], text)
                             : lookupHanja(bytes[0], bytes[1], text);
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

int convertKsxFileAs(const char* source, const char* target, TargetFormat format,
                     SourceRange range) {
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
    std::vector<unsigned char> piece(PieceSize + LongestCarry);
    std::size_t carried = 0;
    for (;;) {
        std::size_t got =
            readText(reader, reinterpret_cast<char*>(piece.data() + carried), PieceSize);
        bool final = got == 0;
        std::size_t size = carried + got;
        std::size_t used = scanText(scan, piece.data(), size, final);
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

int convertKsxFile(const char* source, const char* target) {
    return convertKsxFileAs(source, target, TargetFormat::Utf8, SourceRange::TwoByteCharacters);
}

}  // namespace tarnwick
