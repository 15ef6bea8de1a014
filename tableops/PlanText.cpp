#include "tableops/PlanText.h"

namespace operations {

std::string refusalText(const std::vector<Refusal>& refusals) {
    std::string text = "The run is refused and no table was changed:";
    for (const Refusal& refusal : refusals)
        text += "\n" + refusal.table + ": " + refusal.reason;
    return text;
}

std::vector<std::string> lossLines(const RunPlan& plan) {
    std::vector<std::string> lines;
    for (const TablePlan& table : plan.tables)
        for (const ValueLoss& loss : table.losses)
            lines.push_back(table.table + ": " + loss.field +
                            (loss.kind == ValueLoss::Dropped ? " dropped, " : " cut, ") +
                            groupedCount(loss.count) + (loss.count == 1 ? " value" : " values"));
    return lines;
}

std::string lossQuestion(const RunPlan& plan) {
    std::string text = "These values will not be carried over as they are:";
    for (const std::string& line : lossLines(plan))
        text += "\n" + line;
    return text + "\nThe old tables are kept in a backup folder beside the tables.\nGo on?";
}

} // namespace operations
