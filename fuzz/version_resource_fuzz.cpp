// libFuzzer target: the version resource reader on arbitrary bytes, then the text
// heuristics on whatever strings it found.
#include <cstddef>
#include <cstdint>
#include <span>

#include "update/product_text.h"
#include "update/version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parsed = ParseVersionResource(std::span(data, size));
    if (!parsed) return 0;
    (void)FixedFileVersionText(*parsed);
    FileVersionInfoRec rec = VersionStrings(*parsed);
    (void)GenericProductName(rec, "fuzz");
    (void)StripCopyright(rec.LegalCopyright);
    (void)CompanyTail(rec.CompanyName);
    (void)VersionCharacters(rec.ProductVersion);
    return 0;
}
