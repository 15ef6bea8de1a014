// Runs the real tabletool program in a temporary directory, for the tests of
// its commands.
#pragma once

#include "support/FileBytes.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

class TabletoolFixture : public ::testing::Test {
protected:
    using Outcome = support::Outcome;

    // `environment` is set for the program, e.g. {{"LC_ALL", "it_IT.UTF-8"}}.
    explicit TabletoolFixture(std::map<std::string, std::string> environment = {}) {
        options_.environment = std::move(environment);
    }

    Outcome tool(std::vector<std::string> args) {
        args.insert(args.begin(), SCHEDAX_BINARY_DIR "/tools/tabletool");
        return support::run(args, options_);
    }
    std::string at(const std::string& name) const { return (dir / name).string(); }

    // Exit status 3 (an error in a table or the input), exactly one line on
    // stderr without the usage, and `file` unchanged.
    void expectRefused(const std::vector<std::string>& args, const std::string& file,
                       const std::string& words) {
        expectStatus(3, args, file, words);
    }
    // Exit status 2 (a command line tabletool does not take), one line on
    // stderr, and `file` unchanged.
    void expectMisused(const std::vector<std::string>& args, const std::string& file,
                       const std::string& words) {
        expectStatus(2, args, file, words);
    }

    // A blank in every path: the arguments reach the program as given.
    support::TempDir dir{"schedax tabletool"};

private:
    void expectStatus(int status, const std::vector<std::string>& args, const std::string& file,
                      const std::string& words) {
        std::string before = support::readBytes(dir / file);
        Outcome r = tool(args);
        EXPECT_EQ(r.status, status) << ::testing::PrintToString(args) << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        if (status != 2) {
            EXPECT_EQ(r.err.find("(usage:"), std::string::npos) << r.err;
        }
        EXPECT_EQ(support::readBytes(dir / file), before) << ::testing::PrintToString(args);
    }

    support::RunOptions options_;
};
