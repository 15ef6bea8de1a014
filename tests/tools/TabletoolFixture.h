// Runs the real tabletool program in a temporary directory, for the tests of
// its commands.
#pragma once

#include "../dbase/DbaseTestSupport.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

class TabletoolFixture : public ::testing::Test {
protected:
    using Outcome = dbase_test::Outcome;

    // `environment` is put before the program, e.g. "LC_ALL=it_IT.UTF-8 ".
    explicit TabletoolFixture(std::string environment = {})
        : environment_(std::move(environment)) {}

    Outcome tool(const std::string& args) {
        return dbase_test::run(environment_ + SCHEDAX_BINARY_DIR "/tools/tabletool " + args,
                               dir.path());
    }
    std::string at(const std::string& name) { return dbase_test::quoted((dir / name).string()); }

    // Exit status 3 (an error in a table or the input), exactly one line on
    // stderr without the usage, and `file` unchanged.
    void expectRefused(const std::string& args, const std::string& file, const std::string& words) {
        expectStatus(3, args, file, words);
    }
    // Exit status 2 (a command line tabletool does not take), one line on
    // stderr, and `file` unchanged.
    void expectMisused(const std::string& args, const std::string& file, const std::string& words) {
        expectStatus(2, args, file, words);
    }

    support::TempDir dir;

private:
    void expectStatus(int status, const std::string& args, const std::string& file,
                      const std::string& words) {
        std::string before = support::readBytes(dir / file);
        Outcome r = tool(args);
        EXPECT_EQ(r.status, status) << args << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        if (status != 2)
            EXPECT_EQ(r.err.find("(usage:"), std::string::npos) << r.err;
        EXPECT_EQ(support::readBytes(dir / file), before) << args;
    }

    std::string environment_;
};
