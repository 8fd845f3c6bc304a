#include "app/run.hpp"

#include <cstdio>
#include <span>
#include <vector>

#include "app/console.hpp"
#include "app/textstream.hpp"
#include "ksx/convert.hpp"
#include "page/page.hpp"
#include "plan/plan.hpp"
#include "plan/reader.hpp"
#include "plan/unicode_plan.hpp"
#include "plan/validate.hpp"

namespace tarnwick {

namespace {

constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

// Just under a megabyte: static storage rather than the stack.
OntologyPlan thePlan;

std::string joinArguments(int argc, char** argv) {
    std::string joined = argv[1];
    for (int i = 2; i < argc; ++i) {
        joined += ' ';
        joined += argv[i];
    }
    return joined;
}

}  // namespace

std::optional<std::string> planBase(std::string_view joined) {
    std::size_t separator = joined.find_last_of("/\\");
    std::size_t componentStart = separator == std::string_view::npos ? 0 : separator + 1;
    std::size_t dot = joined.rfind('.');
    if (dot == std::string_view::npos || dot <= componentStart) {
        return std::nullopt;
    }
    return std::string(joined.substr(0, dot));
}

int run(int argc, char** argv) {
    if (argc < 2) {
        std::printf("\nUsage: Tarnwick <Ontology Data File> \n");
        return ExitUsage;
    }
    std::printf("\nTarnwick 1.2 (2017/03/08)");
    std::printf("\n%s\n", "Turns ontology plans into interactive network-graph web pages.");

    std::string joined = joinArguments(argc, argv);
    std::optional<std::string> base = planBase(joined);
    if (!base) {
        std::printf("Ontology Plan \"%s\" Has No File Extension!\n", joined.c_str());
        return ExitUsage;
    }
    std::string planPath = *base + ".lst";
    std::string pagePath = *base + ".txt";
    std::string visualizationPath = *base + ".htm";
    std::printf("List file: %s\n", planPath.c_str());
    std::printf("HTML File: %s\n\n", pagePath.c_str());

    TextReader planFile;
    if (!openTextReader(planFile, planPath.c_str())) {
        std::printf("Ontology Plan \"%s\" Not Found!\n", planPath.c_str());
        return ExitFailure;
    }
    // The encoding is told from all of the file's bytes, before any text-mode
    // rule applies: those apply to the decoded text.
    std::vector<unsigned char> planBytes;
    bool complete = readWholeFile(planFile, planBytes);
    closeTextReader(planFile);
    if (!complete) {
        std::printf("Ontology Plan \"%s\" Read Error!\n", planPath.c_str());
        return ExitFailure;
    }
    TextReader planText;
    std::string decoded;
    PlanEncoding encoding = planEncoding(planBytes);
    if (encoding == PlanEncoding::EightBit) {
        openTextReader(planText, planBytes);
    } else {
        bool utf8 = encoding == PlanEncoding::Utf8;
        if (!decodeUnicodePlan(planBytes, encoding, decoded)) {
            std::printf(utf8 ? "Ontology Plan \"%s\" Is Not Valid UTF-8!\n"
                             : "Ontology Plan \"%s\" Is Not Valid UTF-16!\n",
                        planPath.c_str());
            return ExitFailure;
        }
        std::printf(utf8 ? "Plan file read as UTF-8 text.\n" : "Plan file read as UTF-16 text.\n");
        openTextReader(planText, std::span(reinterpret_cast<const unsigned char*>(decoded.data()),
                                           decoded.size()));
    }
    OntologyPlan& plan = thePlan;
    clearPlan(plan);
    readPlan(planText, plan);  // from memory: nothing left to fail
    closeTextReader(planText);
    if (validatePlan(plan, consoleEncoding()) > 0) {
        return ExitFailure;
    }
    normalisePlan(plan);

    switch (writePage(plan, pagePath.c_str())) {
        case PageResult::Written:
            break;
        case PageResult::Exists:
            std::printf("HTML File %s Already Exists!\n", pagePath.c_str());
            return ExitFailure;
        case PageResult::CreationError:
            std::printf("HTML File %s Creation Error!\n", pagePath.c_str());
            return ExitFailure;
        case PageResult::WriteError:
            std::printf("HTML File %s Write Error!\n", pagePath.c_str());
            return ExitFailure;
    }

    int status = ExitSuccess;
    if (convertKsxFile(pagePath.c_str(), visualizationPath.c_str()) == -1) {
        std::printf("Code Conversion Error!\n");
        status = ExitFailure;
    } else {
        std::printf("Visualizatin Script %s has been Created.\n", visualizationPath.c_str());
    }
    // The page file is ours: it goes after either outcome, and never through a
    // command interpreter, which would run whatever the path holds.
    if (!removeFile(pagePath.c_str())) {
        std::printf("HTML File %s Could Not Be Deleted!\n", pagePath.c_str());
        status = ExitFailure;
    }
    return status;
}

}  // namespace tarnwick
