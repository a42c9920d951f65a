// The companion's command line: commands, names, options and the mistakes it refuses.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qs::CCompanionCommand;
using Args = std::vector<std::string>;

struct ParseCase {
    const char* label;
    Args args;
    CCompanionCommand command;
    Args names;
    bool selected;
    bool json;
    const char* scripts;
    const char* settings;
    const char* error; // the start of the complaint; empty when the line is right
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, Reads) {
    const ParseCase& c = GetParam();
    const qs::CCommandLine line = qs::ParseCommandLine(c.args);
    const std::string error = c.error;
    if (error.empty()) {
        EXPECT_EQ(line.error, "");
    } else {
        EXPECT_EQ(line.error.substr(0, error.size()), error) << line.error;
        return;
    }
    EXPECT_EQ(line.command, c.command);
    EXPECT_EQ(line.names, c.names);
    EXPECT_EQ(line.selected, c.selected);
    EXPECT_EQ(line.json, c.json);
    EXPECT_EQ(line.scriptsFolder, c.scripts);
    EXPECT_EQ(line.settingsFile, c.settings);
}

const CCompanionCommand kList = CCompanionCommand::kList;
const CCompanionCommand kPreview = CCompanionCommand::kPreview;
const CCompanionCommand kClean = CCompanionCommand::kClean;
const CCompanionCommand kCheck = CCompanionCommand::kCheck;
const CCompanionCommand kHelp = CCompanionCommand::kHelp;

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ParseTest,
    ::testing::Values(
        ParseCase{"list", {"list"}, kList, {}, false, false, "", "", ""},
        ParseCase{"command in any case", {"PREVIEW"}, kPreview, {}, false, false, "", "", ""},
        ParseCase{"names byte for byte",
                  {"preview", "Temp files", "Caf\xE9", "  x "},
                  kPreview,
                  {"Temp files", "Caf\xE9", "  x "},
                  false,
                  false,
                  "",
                  "",
                  ""},
        ParseCase{"options before and after the command",
                  {"--json", "clean", "A", "--scripts", "D:\\s", "B", "--settings=C:\\x.xml"},
                  kClean,
                  {"A", "B"},
                  false,
                  true,
                  "D:\\s",
                  "C:\\x.xml",
                  ""},
        ParseCase{"selected", {"clean", "--selected", "-q"}, kClean, {}, true, false, "", "", ""},
        ParseCase{
            "dashes after --", {"clean", "--", "-odd", "--json"}, kClean, {"-odd", "--json"}, false, false, "", "", ""},
        ParseCase{"a lone dash is a name", {"preview", "-"}, kPreview, {"-"}, false, false, "", "", ""},
        ParseCase{"check", {"check", "--scripts=x"}, kCheck, {}, false, false, "x", "", ""},
        ParseCase{"help wins over mistakes", {"clean", "--bogus", "/?"}, kHelp, {}, false, false, "", "", ""},
        ParseCase{"help command", {"help"}, kHelp, {}, false, false, "", "", ""},
        ParseCase{"nothing", {}, kList, {}, false, false, "", "", "No command given."},
        ParseCase{"unknown command", {"purge"}, kList, {}, false, false, "", "", "Unknown command: purge"},
        ParseCase{"unknown option", {"list", "--fast"}, kList, {}, false, false, "", "", "Unknown option: --fast"},
        ParseCase{
            "flag with a value", {"list", "--json=1"}, kList, {}, false, false, "", "", "The option --json takes"},
        ParseCase{"folder missing", {"list", "--scripts"}, kList, {}, false, false, "", "", "--scripts needs a folder"},
        ParseCase{"empty folder", {"list", "--scripts="}, kList, {}, false, false, "", "", "--scripts needs a folder"},
        ParseCase{"clean without a selection", {"clean"}, kList, {}, false, false, "", "", "clean needs the names"},
        ParseCase{"names and selected", {"preview", "A", "--selected"}, kList, {}, false, false, "", "", "Give names"},
        ParseCase{"list with names", {"list", "A"}, kList, {}, false, false, "", "", "list takes no names"},
        ParseCase{"check with selected", {"check", "--selected"}, kList, {}, false, false, "", "", "--selected goes"}),
    [](const ::testing::TestParamInfo<ParseCase>& info) {
        std::string name;
        for (const char* p = info.param.label; *p != '\0'; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(CommandLine, ThreadsTakesOneToEight) {
    struct Row {
        Args args;
        unsigned threads;
        const char* error;
    };
    const Row rows[] = {
        {{"preview"}, 0, ""},
        {{"preview", "--threads", "1"}, 1, ""},
        {{"--threads=8", "clean", "A"}, 8, ""},
        {{"preview", "--threads", "0"}, 0, "--threads needs a number from 1 to 8."},
        {{"preview", "--threads=9"}, 0, "--threads needs a number from 1 to 8."},
        {{"preview", "--threads", "two"}, 0, "--threads needs a number from 1 to 8."},
        {{"preview", "--threads", "-1"}, 0, "--threads needs a number from 1 to 8."},
        {{"preview", "--threads"}, 0, "--threads needs a number of threads."},
    };
    for (const Row& r : rows) {
        const qs::CCommandLine line = qs::ParseCommandLine(r.args);
        EXPECT_EQ(line.error, r.error) << r.args.back();
        if (line.error.empty()) {
            EXPECT_EQ(line.threads, r.threads) << r.args.back();
        }
    }
}

// --keep belongs to list, --files to preview; anywhere else the line is wrong.
TEST(CommandLine, KeepGoesWithListAndFilesWithPreview) {
    const struct {
        Args args;
        bool keep;
        bool files;
        const char* error;
    } cases[] = {
        {{"list", "--keep"}, true, false, ""},
        {{"--keep", "--json", "list"}, true, false, ""},
        {{"preview", "--files", "A", "B"}, false, true, ""},
        {{"preview", "--files", "--selected"}, false, true, ""},
        {{"preview", "--keep"}, false, false, "--keep goes with list."},
        {{"clean", "--keep", "A"}, false, false, "--keep goes with list."},
        {{"check", "--keep"}, false, false, "--keep goes with list."},
        {{"list", "--files"}, false, false, "--files goes with preview."},
        {{"clean", "--files", "A"}, false, false, "--files goes with preview."},
        {{"check", "--files"}, false, false, "--files goes with preview."},
        {{"list", "--keep=1"}, false, false, "The option --keep takes no value."},
    };
    for (const auto& c : cases) {
        const qs::CCommandLine line = qs::ParseCommandLine(c.args);
        EXPECT_EQ(line.error, c.error) << c.args[0] << " " << c.args[1];
        if (line.error.empty()) {
            EXPECT_EQ(line.keep, c.keep) << c.args[0];
            EXPECT_EQ(line.files, c.files) << c.args[0];
        }
    }
}

} // namespace
