#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

// A temporary system directory, alias directory and drive A: for one test,
// with the environment pointing at them; removed afterwards.
struct TempWorkspace {
    std::filesystem::path root, system, tables, floppy, config;

    TempWorkspace() {
        std::random_device rd;
        root = std::filesystem::temp_directory_path() / ("dictionary-" + std::to_string(rd()));
        system = root / "system";
        tables = root / "tables";
        floppy = root / "floppy";
        config = root / "engine.conf";
        for (const auto& dir : {system, tables, floppy})
            std::filesystem::create_directories(dir);
        writeConfig(true);
        setenv("SCHEDAX_SYSTEM_DIR", system.c_str(), 1);
        setenv("SCHEDAX_ENGINE_CONFIG", config.c_str(), 1);
    }
    ~TempWorkspace() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    // The engine configuration, with or without the alias "DBZET".
    void writeConfig(bool withAlias) const;
};
