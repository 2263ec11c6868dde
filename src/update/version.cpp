#include "update/version.h"

#include <tuple>

#include "common/text.h"

namespace {

int32_t ReadPart(std::string_view text) {
    int32_t value = StrToIntDef(text, 0);
    return value > 65535 ? 0 : value;
}

}  // namespace

TRenselVersion TRenselVersion::Create(std::string_view text) {
    TRenselVersion v;
    v.Parse(text);
    return v;
}

TRenselVersion TRenselVersion::CreateFromMSLS(uint32_t ms, uint32_t ls) {
    TRenselVersion v;
    v.Major = static_cast<int32_t>(ms >> 16);
    v.Minor = static_cast<int32_t>(ms & 65535);
    v.Release = static_cast<int32_t>(ls >> 16);
    v.Build = static_cast<int32_t>(ls & 65535);
    return v;
}

void TRenselVersion::Parse(std::string_view text) {
    std::string s(text);
    while (CountTokens(s, ".") < 4) s += ".0";
    size_t d1 = s.find('.');
    size_t d2 = s.find('.', d1 + 1);
    size_t d3 = s.find('.', d2 + 1);
    std::string_view v(s);
    Major = ReadPart(v.substr(0, d1));
    Minor = ReadPart(v.substr(d1 + 1, d2 - d1 - 1));
    Release = ReadPart(v.substr(d2 + 1, d3 - d2 - 1));
    Build = ReadPart(v.substr(d3 + 1));  // "1.2.3.4.5" leaves "4.5", which reads as 0
}

// Computed in 32 bits, so negative parts wrap as they do in the resource words.
uint32_t TRenselVersion::VersionMS() const {
    return static_cast<uint32_t>(Major) * 65536u + static_cast<uint32_t>(Minor);
}

uint32_t TRenselVersion::VersionLS() const {
    return static_cast<uint32_t>(Release) * 65536u + static_cast<uint32_t>(Build);
}

std::string TRenselVersion::VersionMSText() const { return std::to_string(VersionMS()); }
std::string TRenselVersion::VersionLSText() const { return std::to_string(VersionLS()); }

std::string TRenselVersion::AsText() const {
    return std::to_string(Major) + "." + std::to_string(Minor) + "." + std::to_string(Release) + "." +
           std::to_string(Build);
}

bool TRenselVersion::IsValid() const {
    // A signed sum, as the parts may be negative; widened so it cannot overflow.
    return static_cast<int64_t>(Major) + Minor + Release + Build > 0;
}

bool TRenselVersion::IsNewerThan(const TRenselVersion& other) const {
    return std::tie(Major, Minor, Release, Build) > std::tie(other.Major, other.Minor, other.Release, other.Build);
}

bool TRenselVersion::IsNewerThanMSLS(uint32_t ms, uint32_t ls) const {
    return std::pair(VersionMS(), VersionLS()) > std::pair(ms, ls);
}
