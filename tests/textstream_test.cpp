#include "app/textstream.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_files.hpp"

namespace tarnwick {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::span<const unsigned char> bytesOf(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::string readAll(TextReader& reader, std::size_t piece) {
    std::string all;
    std::string buffer(piece, '\0');
    while (std::size_t got = readText(reader, buffer.data(), piece)) {
        all.append(buffer, 0, got);
    }
    return all;
}

struct ReadCase {
    std::string raw;
    std::string text;
};

TEST(TextStreamRead, TextModeIsEmulated) {
    const ReadCase cases[] = {
        {"a\r\nb\r\n", "a\nb\n"},
        {"a\rb", "a\rb"},
        {"\r\r\n", "\r\n"},
        {"end\r", "end\r"},
        {"ab\x1A"
         "cd",
         "ab"},
        {"\r\x1A\n", "\r"},
        {"\n\n", "\n\n"},
        {"", ""},
    };
    for (const ReadCase& c : cases) {
        // Whatever the size of the reads, the text is the same.
        for (std::size_t piece : {1, 2, 3, 64}) {
            TextReader reader;
            openTextReader(reader, bytesOf(c.raw));
            EXPECT_EQ(readAll(reader, piece), c.text) << "raw " << c.raw << " piece " << piece;
        }
    }
}

TEST(TextStreamRead, CrLfAcrossTheFileBufferIsOneLineEnd) {
    TempDir dir;
    std::string raw(TextBufferSize - 1, 'a');
    raw += "\r\nz";
    writeFile(dir.file("f"), raw);
    TextReader reader;
    ASSERT_TRUE(openTextReader(reader, dir.file("f").c_str()));
    std::string line;
    ASSERT_TRUE(readLine(reader, line));
    EXPECT_EQ(line, std::string(TextBufferSize - 1, 'a') + "\n");
    ASSERT_TRUE(readLine(reader, line));
    EXPECT_EQ(line, "z");
    EXPECT_FALSE(readLine(reader, line));
    EXPECT_FALSE(reader.failed);
    closeTextReader(reader);
}

TEST(TextStreamRead, LinesAreWholeWhateverTheirLength) {
    std::string raw = std::string(300000, 'x') + "\r\nlast";
    TextReader reader;
    openTextReader(reader, bytesOf(raw));
    std::string line;
    ASSERT_TRUE(readLine(reader, line));
    EXPECT_EQ(line.size(), 300001u);
    ASSERT_TRUE(readLine(reader, line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(readLine(reader, line));
}

TEST(TextStreamRead, DirectoriesAndMissingFilesDoNotOpen) {
    TempDir dir;
    TextReader reader;
    EXPECT_FALSE(openTextReader(reader, dir.path().string().c_str()));
    EXPECT_FALSE(openTextReader(reader, dir.file("missing").c_str()));
}

TEST(TextStreamWrite, LineFeedsLeaveAsCrLfAndBinaryIsUntouched) {
    TempDir dir;
    TextWriter writer;
    ASSERT_EQ(createTextWriter(writer, dir.file("out").c_str()), CreateResult::Created);
    writeText(writer, "one\ntwo\n\n");
    writeBinary(writer, "\n\r");
    writeText(writer, std::string(TextBufferSize + 10, 'y'));
    ASSERT_TRUE(closeTextWriter(writer));
    EXPECT_EQ(readFile(dir.file("out")),
              "one\r\ntwo\r\n\r\n\n\r" + std::string(TextBufferSize + 10, 'y'));
}

TEST(TextStreamWrite, AnExistingFileIsNeverOpened) {
    TempDir dir;
    writeFile(dir.file("mine"), "keep me");
    TextWriter writer;
    EXPECT_EQ(createTextWriter(writer, dir.file("mine").c_str()), CreateResult::Exists);
    EXPECT_EQ(readFile(dir.file("mine")), "keep me");
    EXPECT_EQ(createTextWriter(writer, dir.file("no/such/dir").c_str()), CreateResult::Failed);
}

TEST(TextStreamWrite, TemporaryFileReplacesTheTarget) {
    TempDir dir;
    std::string target = dir.file("page.htm");
    writeFile(target, "old");
    TextWriter first;
    TextWriter second;
    std::string firstPath;
    std::string secondPath;
    ASSERT_EQ(createTemporaryBeside(first, target, firstPath), CreateResult::Created);
    ASSERT_EQ(createTemporaryBeside(second, target, secondPath), CreateResult::Created);
    EXPECT_NE(firstPath, secondPath);
    writeText(first, "new\n");
    ASSERT_TRUE(closeTextWriter(first));
    ASSERT_TRUE(closeTextWriter(second));
    EXPECT_TRUE(removeFile(secondPath.c_str()));
    ASSERT_TRUE(replaceFile(firstPath.c_str(), target.c_str()));
    EXPECT_EQ(readFile(target), "new\r\n");
    EXPECT_EQ(testing::listDirectory(dir.path()), "page.htm");
}

TEST(TextStreamTarget, States) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    EXPECT_EQ(targetState(dir.file("file").c_str()), TargetState::Writable);
    EXPECT_EQ(targetState(dir.file("missing").c_str()), TargetState::Missing);
    EXPECT_EQ(targetState(dir.path().string().c_str()), TargetState::NotWritable);
}

}  // namespace
}  // namespace tarnwick
