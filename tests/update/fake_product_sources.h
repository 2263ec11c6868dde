#pragma once
// ProductSources over maps, for the host tests. Paths are compared exactly.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "update/product_sources.h"

class FakeProductSources : public ProductSources {
public:
    std::map<std::string, FileVersionInfoRec> resources;
    std::map<std::string, std::string> fixedVersions;
    std::set<std::string> pe64;
    std::map<std::string, std::string> sideFiles;  // content; also makes the file exist
    std::map<std::string, std::vector<std::string>> subfolders;
    std::map<std::pair<RegistryHive, std::string>, std::vector<UninstallEntry>> uninstall;
    std::map<std::string, std::string> registry;  // key + "|" + value, local machine
    bool wow6432 = false;
    bool underWow64 = false;
    std::string systemFolder = "C:\\Windows\\system32";
    std::vector<std::string> touchedFiles;  // every file or folder any call looked at

    FileVersionInfoRec ReadVersionInfo(const std::string& file) override {
        touchedFiles.push_back(file);
        auto it = resources.find(file);
        return it == resources.end() ? FileVersionInfoRec{} : it->second;
    }
    std::string FileVersionText(const std::string& file) override {
        touchedFiles.push_back(file);
        auto it = fixedVersions.find(file);
        return it == fixedVersions.end() ? "" : it->second;
    }
    bool IsPe64(const std::string& file) override {
        touchedFiles.push_back(file);
        return pe64.count(file) > 0;
    }
    bool FileHasContent(const std::string& file) override {
        touchedFiles.push_back(file);
        auto side = sideFiles.find(file);
        return resources.count(file) > 0 || (side != sideFiles.end() && !side->second.empty());
    }
    std::optional<std::string> ReadSideFile(const std::string& file) override {
        touchedFiles.push_back(file);
        auto it = sideFiles.find(file);
        if (it == sideFiles.end()) return std::nullopt;
        return it->second;
    }
    std::vector<std::string> ListSubfolders(const std::string& folder) override {
        touchedFiles.push_back(folder);
        auto it = subfolders.find(folder);
        return it == subfolders.end() ? std::vector<std::string>{} : it->second;
    }
    std::vector<UninstallEntry> UninstallEntries(RegistryHive hive, std::string_view view) override {
        auto it = uninstall.find({hive, std::string(view)});
        return it == uninstall.end() ? std::vector<UninstallEntry>{} : it->second;
    }
    std::string RegistryText(RegistryHive hive, const std::string& key, const std::string& value) override {
        if (hive != RegistryHive::LocalMachine) return "";
        auto it = registry.find(key + "|" + value);
        return it == registry.end() ? "" : it->second;
    }
    bool HasWow6432View() override { return wow6432; }
    bool RunsUnderWow64() override { return underWow64; }
    std::string SystemFolder() override { return systemFolder; }

    void Install(std::string name, std::string version, RegistryHive hive = RegistryHive::LocalMachine,
                 std::string view = "") {
        uninstall[{hive, view}].push_back({std::move(name), std::move(version), "", "", ""});
    }
};
