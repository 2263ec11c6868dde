#pragma once
// A four-part version number as version resources and the update server use it.
#include <cstdint>
#include <string>
#include <string_view>

class TRenselVersion {
public:
    TRenselVersion() = default;
    static TRenselVersion Create(std::string_view text);
    static TRenselVersion CreateFromMSLS(uint32_t ms, uint32_t ls);

    void Parse(std::string_view text);
    uint32_t VersionMS() const;
    uint32_t VersionLS() const;
    std::string VersionMSText() const;
    std::string VersionLSText() const;
    std::string AsText() const;
    bool IsValid() const;
    bool IsNewerThan(const TRenselVersion& other) const;
    bool IsNewerThanMSLS(uint32_t ms, uint32_t ls) const;

    int32_t Major = 0;
    int32_t Minor = 0;
    int32_t Release = 0;
    int32_t Build = 0;
};
