#pragma once
// File product identification on this machine: what the update check sends for a
// program file. Each call reads the file's version resource, the files beside it and
// the Uninstall keys afresh; failures give empty texts.
#include <string>

#include "update/file_info.h"

TDisplayedFileInfo GetFileProductInfo(const std::string& fileName);
std::string GetFileProductName(const std::string& fileName);
std::string GetFileCompany(const std::string& fileName, const std::string& productName);
// fileName is replaced by its redirected form; an empty productName makes it work the
// names out first. "" when no version is found.
std::string GetFileProductVersion(std::string& fileName, const std::string& productName, const std::string& company);
FileVersionInfoRec ReadVersionInfo(const std::string& fileName);
std::string RedirectSystemPath(const std::string& fileName);
bool IsPe64(const std::string& fileName);
