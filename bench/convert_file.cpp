// Converts one file as the program converts its page file, for timing and for
// peak memory:
//
//   tarnwick_convert_file SOURCE TARGET                the page's conversion
//   tarnwick_convert_file --reference SOURCE TARGET    the same by the reference scan
//
// Prints the converter's own lines; exits 0 when the conversion returned 0.
#include <cstring>

#include "ksx/convert.hpp"
#include "ksx/convert_reference.hpp"

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--reference") == 0) {
        return tarnwick::convertKsxFileByReference(argv[2], argv[3], tarnwick::TargetFormat::Utf8,
                                                   tarnwick::SourceRange::TwoByteCharacters) == 0
                   ? 0
                   : 1;
    }
    if (argc != 3) {
        return 2;
    }
    return tarnwick::convertKsxFile(argv[1], argv[2]) == 0 ? 0 : 1;
}
