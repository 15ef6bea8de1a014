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

    // Exit status 2, exactly one line on stderr, and `file` unchanged.
    void expectRefused(const std::vector<std::string>& args, const std::string& file,
                       const std::string& words) {
        std::string before = support::readBytes(dir / file);
        Outcome r = tool(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        EXPECT_EQ(support::readBytes(dir / file), before) << ::testing::PrintToString(args);
    }

    // A blank in every path: the arguments reach the program as given.
    support::TempDir dir{"schedax tabletool"};

private:
    support::RunOptions options_;
};
