#include "app/run.hpp"

#include <cstdio>

#include "app/textstream.hpp"
#include "ksx/convert.hpp"
#include "page/page.hpp"
#include "plan/plan.hpp"
#include "plan/reader.hpp"
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
    OntologyPlan& plan = thePlan;
    clearPlan(plan);
    bool complete = readPlan(planFile, plan);
    closeTextReader(planFile);
    if (!complete) {
        std::printf("Ontology Plan \"%s\" Read Error!\n", planPath.c_str());
        return ExitFailure;
    }
    if (validatePlan(plan) > 0) {
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
