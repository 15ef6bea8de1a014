#include "tableops/PlanText.h"

#include <ctime>

namespace operations {

std::string refusalText(const std::vector<Refusal>& refusals) {
    std::string text = "The run is refused and no table was changed:";
    for (const Refusal& refusal : refusals)
        text += "\n" + refusal.table + ": " + refusal.reason;
    return text;
}

std::string lossText(const ValueLoss& loss) {
    const std::string count = groupedCount(loss.count);
    if (loss.kind == ValueLoss::Refused) {
        std::string keys;
        for (const std::string& key : loss.examples)
            keys += (keys.empty() ? "" : ", ") + key;
        return count + (loss.count == 1 ? " row" : " rows") + " refused by the primary key " +
               loss.field + " (repeated keys: " + keys +
               (loss.count > loss.examples.size() ? ", ..." : "") + ")";
    }
    return loss.field + (loss.kind == ValueLoss::Dropped ? " dropped, " : " cut, ") + count +
           (loss.count == 1 ? " value" : " values");
}

std::vector<std::string> lossLines(const RunPlan& plan) {
    std::vector<std::string> lines;
    for (const TablePlan& table : plan.tables)
        for (const ValueLoss& loss : table.losses)
            lines.push_back(table.table + ": " + lossText(loss));
    return lines;
}

std::string lossQuestion(const RunPlan& plan, bool keepsOldTables) {
    std::string text = "These values will not be carried over as they are:";
    for (const std::string& line : lossLines(plan))
        text += "\n" + line;
    if (keepsOldTables)
        text += "\nThe old tables are kept in a backup folder beside the tables.";
    return text + "\nGo on?";
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::filesystem::path backupFolder(const std::filesystem::path& workDir, const std::string& table) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    std::filesystem::path folder = workDir / ("BACKUP_" + table + "_" + stamp);
    // Two runs within a second keep apart.
    for (int n = 2; std::filesystem::exists(folder); ++n)
        folder = workDir / ("BACKUP_" + table + "_" + stamp + "_" + std::to_string(n));
    return folder;
}

} // namespace operations
