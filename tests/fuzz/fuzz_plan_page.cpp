// Plan bytes through the whole run: reading, validation, normalisation, the page
// file and its conversion. Whatever the plan holds, the run ends with status 0
// or 1, leaves no page file behind, and every row of the finished page's script
// is a well-formed statement of the shape the page template gives it: no quote
// left open, no line end inside a string, nothing that ends the script early.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/run.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace tarnwick::fuzz {
namespace {

std::string planPath;
std::string pagePath;
std::string visualizationPath;

constexpr std::string_view ScriptStart =
    "    <script type=\"text/javascript\">\r\n      var nodesTable";

bool equalsFolded(std::string_view text, std::string_view lower) {
    if (text.size() < lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lower.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != lower[i]) {
            return false;
        }
    }
    return true;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Replaces every single-quoted string of the line by '' and checks each one on
// the way: it ends on this line, holds no CR or LF, and its escapes are ones the
// script accepts. False when a string is left open or holds a bad escape.
bool skeleton(std::string_view line, std::string& shape) {
    shape.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c != '\'') {
            shape += c;
            ++i;
            continue;
        }
        ++i;
        for (;;) {
            if (i >= line.size() || line[i] == '\r' || line[i] == '\n') {
                return false;
            }
            if (line[i] == '\'') {
                ++i;
                break;
            }
            if (line[i] == '\\') {
                if (i + 1 >= line.size() || line[i + 1] == '\r' || line[i + 1] == '\n') {
                    return false;
                }
                char kind = line[i + 1];
                if (kind == 'x' &&
                    !(i + 3 < line.size() && isHex(line[i + 2]) && isHex(line[i + 3]))) {
                    return false;
                }
                if (kind == 'u' &&
                    !(i + 5 < line.size() && isHex(line[i + 2]) && isHex(line[i + 3]) &&
                      isHex(line[i + 4]) && isHex(line[i + 5]))) {
                    return false;
                }
                i += 2;
                continue;
            }
            ++i;
        }
        shape += "''";
    }
    return true;
}

struct RowShape {
    std::string_view start;
    std::string_view shape;
    std::string_view otherShape;  // the template's own row of the same start
};

constexpr RowShape RowShapes[] = {
    {"        nodesTable.addRow([", "        nodesTable.addRow(['', '', '', '', '', '', '']);", {}},
    {"        linksTable.addRow([", "        linksTable.addRow(['', '', '', '', '']);", {}},
    {"                '", "                '': { '': '',  '': '', '': 15 },",
     "                '': { '': '',  '': '', '': 1 },"},
};

void checkPage(const std::string& page) {
    if (page.size() < 3 || page.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        finding("the page does not start with the byte-order mark", page);
    }
    std::size_t start = page.find(ScriptStart);
    if (start == std::string::npos) {
        finding("the page's own script is missing", page);
    }
    start += ScriptStart.size() - std::string_view("      var nodesTable").size();
    // Where a browser would end the script: the first "</script" of any case.
    std::size_t end = start;
    while (end < page.size() && !equalsFolded(std::string_view(page).substr(end), "</script")) {
        ++end;
    }
    std::string_view script = std::string_view(page).substr(start, end - start);
    if (std::string_view(page).substr(end).substr(0, 20) != "</script>\r\n</head>\r\n") {
        finding("the script ends before the page's own </script>",
                std::string_view(page).substr(end > 200 ? end - 200 : 0, 400));
    }
    if (script.find("<!--") != std::string_view::npos) {
        finding("the script holds <!--", script.substr(script.find("<!--")));
    }
    std::string shape;
    std::size_t lineStart = 0;
    while (lineStart < script.size()) {
        std::size_t lineEnd = script.find("\r\n", lineStart);
        if (lineEnd == std::string_view::npos) {
            lineEnd = script.size();
        }
        std::string_view line = script.substr(lineStart, lineEnd - lineStart);
        for (const RowShape& row : RowShapes) {
            if (line.substr(0, row.start.size()) != row.start) {
                continue;
            }
            if (!skeleton(line, shape)) {
                finding("a string of a script row is left open or holds a bad escape", line);
            }
            if (shape != row.shape && shape != row.otherShape) {
                finding("a script row does not have its template's shape", line);
            }
        }
        if (line.find('\n') != std::string_view::npos ||
            line.find('\r') != std::string_view::npos) {
            finding("a script line holds a lone CR or LF", line);
        }
        lineStart = lineEnd + 2;
    }
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace tarnwick::fuzz;
    planPath = scratchPath("plan.lst");
    pagePath = scratchPath("plan.txt");
    visualizationPath = scratchPath("plan.htm");
    // The run reports on stdout; the fuzzer's own report goes to stderr.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::perror("/dev/null");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick::fuzz;
    writeWholeFile(planPath, data, size);
    std::remove(visualizationPath.c_str());
    char program[] = "tarnwick";
    std::string argument = planPath;
    char* argv[] = {program, argument.data(), nullptr};
    int status = tarnwick::run(2, argv);
    std::fflush(stdout);
    if (status != 0 && status != 1) {
        finding("the run ended with a status other than 0 or 1");
    }
    if (fileExists(pagePath)) {
        finding("the page file was left behind");
    }
    std::string page;
    bool converted = readWholeFile(visualizationPath, page);
    if (status == 0) {
        if (!converted) {
            finding("the run succeeded without a visualization page");
        }
        checkPage(page);
    } else if (converted) {
        finding("a failed run left a visualization page");
    }
    return 0;
}
