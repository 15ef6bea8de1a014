// tabletool append DEST SOURCE: every row of SOURCE appended to DEST by the
// engine's batch move (columns paired by field name, values converted with
// the least loss), with the values it could not carry over exactly counted.
#include "Command.h"

#include "engine/dataset/BatchMove.h"
#include "engine/drivers/Tables.h"

#include <cstdio>
#include <filesystem>

namespace tabletool {

namespace {

int runAppend(const Arguments& args) {
    const std::string& destPath = args.at(0);
    const std::string& sourcePath = args.at(1);
    std::error_code ec;
    if (std::filesystem::equivalent(destPath, sourcePath, ec))
        throw UsageError("a table cannot be appended to itself");
    auto source = engine::openTable(sourcePath, {.exclusive = false, .readOnly = true});
    auto dest = engine::openTable(destPath, {.exclusive = true, .readOnly = false});
    engine::MoveReport moved = engine::moveRows(*source, *dest, {.abortOnProblem = false});

    for (const std::string& name : moved.DroppedFields)
        std::printf("field %s of %s has no counterpart in %s\n", name.c_str(), sourcePath.c_str(),
                    destPath.c_str());
    std::printf("%llu rows appended, %llu values not carried over exactly\n",
                static_cast<unsigned long long>(moved.MovedCount),
                static_cast<unsigned long long>(moved.ProblemCount));
    for (const auto& [name, count] : moved.FieldProblems)
        std::printf("  %s: %llu\n", name.c_str(), static_cast<unsigned long long>(count));
    return 0;
}

const RegisterCommand reg({"append", "DEST SOURCE", {}, 2, 2, runAppend});

} // namespace

} // namespace tabletool
