#pragma once
// Names the product, the company and the version of a program file the way the update
// check reports them: the version resource read by a fixed heuristic, then repaired by
// the product rows of product_rules. Everything it reads comes through ProductSources.
#include <string>

#include "update/file_info.h"
#include "update/product_sources.h"

class ProductIdentifier {
public:
    explicit ProductIdentifier(ProductSources& sources) : sources_(sources) {}

    TDisplayedFileInfo GetFileProductInfo(const std::string& fileName);
    std::string GetFileProductName(const std::string& fileName);
    std::string GetFileCompany(const std::string& fileName, const std::string& productName);
    // fileName is replaced by its redirected form. Without a product name the names are
    // worked out first. "" when no version is found.
    std::string GetFileProductVersion(std::string& fileName, std::string productName, std::string company);

    FileVersionInfoRec ReadVersionInfo(const std::string& fileName);
    std::string RedirectSystemPath(const std::string& fileName);
    bool IsPe64(const std::string& fileName);

private:
    std::string NormaliseCompany(const std::string& fileName, std::string company, std::string& productName);

    ProductSources& sources_;
    int siblingDepth_ = 0;
};
