#pragma once
// ProductSources over the real machine: version resources, the files beside a
// program and the Uninstall keys of the registry. One object serves one
// identification; it keeps the last version block it read.
#include <cstdint>
#include <string>
#include <vector>

#include "update/product_sources.h"

class WindowsProductSources final : public ProductSources {
public:
    FileVersionInfoRec ReadVersionInfo(const std::string& file) override;
    std::string FileVersionText(const std::string& file) override;
    bool IsPe64(const std::string& file) override;
    bool FileHasContent(const std::string& file) override;
    std::optional<std::string> ReadSideFile(const std::string& file) override;
    std::vector<std::string> ListSubfolders(const std::string& folder) override;
    std::vector<UninstallEntry> UninstallEntries(RegistryHive hive, std::string_view view) override;
    std::string RegistryText(RegistryHive hive, const std::string& key, const std::string& value) override;
    bool HasWow6432View() override;
    bool RunsUnderWow64() override;
    std::string SystemFolder() override;

private:
    const std::vector<uint8_t>& VersionBlock(const std::string& file);

    std::string blockFile_;
    std::vector<uint8_t> block_;
    bool haveBlock_ = false;
};
