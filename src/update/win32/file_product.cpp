#include "update/win32/file_product.h"

#include "update/product_info.h"
#include "update/win32/product_sources_win.h"

namespace {

// A fresh view of the machine per call: nothing read for one file outlives it.
template <typename Fn>
auto WithIdentifier(Fn fn) {
    WindowsProductSources sources;
    ProductIdentifier identifier(sources);
    return fn(identifier);
}

}  // namespace

TDisplayedFileInfo GetFileProductInfo(const std::string& fileName) {
    return WithIdentifier([&](ProductIdentifier& id) { return id.GetFileProductInfo(fileName); });
}

std::string GetFileProductName(const std::string& fileName) {
    return WithIdentifier([&](ProductIdentifier& id) { return id.GetFileProductName(fileName); });
}

std::string GetFileCompany(const std::string& fileName, const std::string& productName) {
    return WithIdentifier([&](ProductIdentifier& id) { return id.GetFileCompany(fileName, productName); });
}

std::string GetFileProductVersion(std::string& fileName, const std::string& productName, const std::string& company) {
    return WithIdentifier(
        [&](ProductIdentifier& id) { return id.GetFileProductVersion(fileName, productName, company); });
}

FileVersionInfoRec ReadVersionInfo(const std::string& fileName) {
    return WithIdentifier([&](ProductIdentifier& id) { return id.ReadVersionInfo(fileName); });
}

std::string RedirectSystemPath(const std::string& fileName) {
    return WithIdentifier([&](ProductIdentifier& id) { return id.RedirectSystemPath(fileName); });
}

bool IsPe64(const std::string& fileName) {
    return WithIdentifier([&](ProductIdentifier& id) { return id.IsPe64(fileName); });
}
