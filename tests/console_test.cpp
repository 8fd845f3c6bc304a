#include "app/console.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "app/textstream.hpp"
#include "plan/plan.hpp"
#include "plan/reader.hpp"
#include "plan/validate.hpp"

#ifndef _WIN32
#include <clocale>
#include <cstdlib>
#endif

namespace tarnwick {
namespace {

// Reads the plan text and validates it; returns what validation printed.
std::string validationMessages(std::string_view text, ConsoleEncoding console) {
    auto owner = std::make_unique<OntologyPlan>();
    OntologyPlan& plan = *owner;
    clearPlan(plan);
    TextReader reader;
    openTextReader(reader,
                   std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    readPlan(reader, plan);
    ::testing::internal::CaptureStdout();
    validatePlan(plan, console);
    return ::testing::internal::GetCapturedStdout();
}

// 사람 (BB E7 B6 F7), an extended-area pair whose second byte is '_' (F6 5F,
// U+712B), and escapes.
constexpr std::string_view BrokenPlan =
    "#CLASS\nperson blue dot\n#RELATION\nknows red line\n"
    "#NODES\nn1 \xBB\xE7\xB6\xF7 A\nn2 U+B620&#128512; B\nn3 \xF6\x5F_x C\nn4 person D\n";

TEST(ConsoleMessages, QuotedPlanTextInTheConsolesEncoding) {
    EXPECT_EQ(validationMessages(BrokenPlan, ConsoleEncoding::Utf8),
              "Class Name \xEC\x82\xAC\xEB\x9E\x8C in the Node List is Invalid!\n"
              "Class Name \xEB\x98\xA0\xF0\x9F\x98\x80 in the Node List is Invalid!\n"
              "Class Name \xE7\x84\xAB_x in the Node List is Invalid!\n");
    EXPECT_EQ(validationMessages(BrokenPlan, ConsoleEncoding::EightBit),
              "Class Name \xBB\xE7\xB6\xF7 in the Node List is Invalid!\n"
              "Class Name U+B620&#128512; in the Node List is Invalid!\n"
              "Class Name \xF6\x5F_x in the Node List is Invalid!\n");
}

TEST(ConsoleMessages, EveryMessageThatQuotesThePlan) {
    constexpr std::string_view links =
        "#CLASS\nperson blue dot\n#RELATION\nknows red line\n#NODES\nn1 person A\n"
        "#LINKS\n\xB0\xA1x n1 knows\nn1 \xB0\xA1y knows\n";
    EXPECT_EQ(validationMessages(links, ConsoleEncoding::Utf8),
              "Node 1 ID \xEA\xB0\x80x in the Link List is Invalid!\n"
              "Node 2 ID \xEA\xB0\x80y in the Link List is Invalid!\n");
    constexpr std::string_view relations =
        "#CLASS\nperson blue dot\n#RELATION\nknows red line\n#NODES\nn1 person A\n"
        "#LINKS\nn1 n1 \xB0\xA1_of\n";
    EXPECT_EQ(validationMessages(relations, ConsoleEncoding::Utf8),
              "Relation Name \xEA\xB0\x80_of in the Link List is Invalid!\n");
}

#ifndef _WIN32
// Sets LC_ALL for one test and puts back what was there.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("LC_ALL");
        hadOld = old != nullptr;
        saved = hadOld ? old : "";
    }
    void TearDown() override {
        if (hadOld) {
            setenv("LC_ALL", saved.c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }
    bool hadOld = false;
    std::string saved;
};

TEST_F(LocaleEnvironment, TheEnvironmentsCodesetDecidesAndTheLocaleStaysAsItWas) {
    std::string before = std::setlocale(LC_CTYPE, nullptr);
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(consoleEncoding(), ConsoleEncoding::EightBit);
    setenv("LC_ALL", "C.UTF-8", 1);
    if (std::setlocale(LC_CTYPE, "") == nullptr) {
        GTEST_SKIP() << "this system has no C.UTF-8 locale";
    }
    (void)std::setlocale(LC_CTYPE, before.c_str());
    EXPECT_EQ(consoleEncoding(), ConsoleEncoding::Utf8);
    EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before);
}
#endif

}  // namespace
}  // namespace tarnwick
