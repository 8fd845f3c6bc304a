// The lookups, the encoders and the escape matcher on arbitrary input. Each
// writes only its caller's storage, always ends the text with a zero byte, and
// the encoders undo one another over the range they cover.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "ksx/encoders.hpp"
#include "ksx/escapes.hpp"
#include "ksx/tables/lookup.hpp"
#include "plan/textunits.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace tarnwick::fuzz {
namespace {

constexpr unsigned char Poison = 0xEE;

Utf8Text poisoned() {
    Utf8Text text;
    text.fill(static_cast<char>(Poison));
    return text;
}

void checkText(const Utf8Text& text, std::size_t length, std::size_t longest, const char* what) {
    if (length == 0 || length > longest || text[length] != '\0' ||
        std::strlen(text.data()) != length) {
        finding(what, std::string_view(text.data(), text.size()));
    }
}

void checkPair(unsigned char lead, unsigned char trail) {
    int index = hanjaIndex(lead, trail);
    if (index < 0 || index > 19877) {
        finding("a Hanja index outside 0 to 19,877");
    }
    Utf8Text text = poisoned();
    bool symbolHangul = lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1;
    std::size_t length =
        symbolHangul ? lookupSymbolHangul(lead, trail, text) : lookupHanja(lead, trail, text);
    checkText(text, length, 3, "a lookup wrote other than one to three bytes and a zero");
    // What the tables give is a character the encoders give back unchanged.
    Utf8Text again = poisoned();
    std::size_t againLength = codeToUtf8(utf8ToCode(text), again);
    if (againLength != length || std::memcmp(again.data(), text.data(), length + 1) != 0) {
        finding("a looked-up character does not survive decoding and encoding");
    }
}

void checkCode(std::int32_t code) {
    Utf8Text text = poisoned();
    std::size_t length = codeToUtf8(code, text);
    if (code != 0) {
        checkText(text, length, 4, "codeToUtf8 wrote a bad text");
    } else if (length > 4 || text[length] != '\0') {
        finding("codeToUtf8 wrote a bad text for the code 0");
    }
    bool inRange = code >= 1 && code <= LastCode;
    std::int32_t back = utf8ToCode(text);
    if (inRange ? back != code : code != 0 && back != ReplacementCode) {
        finding("utf8ToCode does not undo codeToUtf8");
    }
    Ucs2Pair pair = codeToUcs2Pair(code);
    bool sixteenBit = code >= 0 && code <= 0xFFFF;
    if (ucs2PairToCode(pair) != (sixteenBit ? code : ReplacementCode)) {
        finding("ucs2PairToCode does not undo codeToUcs2Pair");
    }
    Utf8Text fromPair = poisoned();
    std::size_t pairLength = ucs2PairToUtf8(pair, fromPair);
    if (pairLength > 3 || fromPair[pairLength] != '\0') {
        finding("ucs2PairToUtf8 wrote a bad text");
    }
}

void checkEscapes(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's length, so that reading past it is caught.
    auto copy = std::make_unique<char[]>(size == 0 ? 1 : size);
    if (size != 0) {
        std::memcpy(copy.get(), data, size);
    }
    std::string_view text(copy.get(), size);
    for (std::size_t at = 0; at < size; ++at) {
        std::string_view rest = text.substr(at);
        Escape escape = matchEscape(rest);
        if (escape.length > rest.size() ||
            (escape.length != 0 && (escape.value < 0 || escape.value > OverlongEscapeValue))) {
            finding("an escape outside its text or with a value outside its range", rest);
        }
        std::size_t unit = unitLength(text, at);
        if (unit == 0 || unit > rest.size()) {
            finding("a text unit outside its text", rest);
        }
    }
    for (std::size_t limit : {std::size_t{0}, size / 2, size}) {
        std::size_t kept = wholeUnitsWithin(text, limit);
        if (kept > limit || kept > size) {
            finding("a cut beyond its limit", text);
        }
    }
    if (size >= 4) {
        Ucs2Pair pair = hexToUcs2Pair(text.substr(0, 4));
        (void)pair;
    }
    if (size >= 8) {
        Utf8Text raw;
        std::memcpy(raw.data(), data, raw.size());
        // Continuation bytes are not checked, so the value of arbitrary bytes
        // may be anything; the pair must still follow it.
        std::int32_t code = utf8ToCode(raw);
        Ucs2Pair pair = utf8ToUcs2Pair(raw);
        std::int32_t sixteenBit = code >= 0 && code <= 0xFFFF ? code : ReplacementCode;
        if (ucs2PairToCode(pair) != sixteenBit) {
            finding("utf8ToUcs2Pair does not agree with utf8ToCode");
        }
    }
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick::fuzz;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        checkPair(static_cast<unsigned char>(data[i] | 0x80), data[i + 1]);
    }
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::int32_t code = 0;
        std::memcpy(&code, data + i, sizeof code);
        checkCode(code);
        checkCode(code & 0x1FFFFF);
        checkCode(code & 0xFFFF);
    }
    checkEscapes(data, size);
    return 0;
}
