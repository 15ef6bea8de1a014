#include "engine/dataset/Location.h"

namespace engine {

std::filesystem::path resolveLocation(const std::string& databaseName) {
    if (databaseName.empty())
        return std::filesystem::current_path();
    return std::filesystem::path(databaseName);
}

} // namespace engine
